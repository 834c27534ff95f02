#include "canvas_view.h"

#include <windowsx.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "gui_options.h"
#include "script.h"

namespace {

int64_t floorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

// The protected pixels are shown half way to magenta.
RGBQUAD tinted(const Rgb& c, bool protectedPixel) {
  if (!protectedPixel) return RGBQUAD{c.blue, c.green, c.red, 0};
  return RGBQUAD{static_cast<BYTE>((c.blue + 255) / 2), static_cast<BYTE>(c.green / 2),
                 static_cast<BYTE>((c.red + 255) / 2), 0};
}

// Off the canvas: hatched in two greys, unlike any flat colour of a picture.
constexpr COLORREF kMarginInk = RGB(96, 96, 104), kMarginPaper = RGB(160, 160, 168);
constexpr int kFocusWidth = 2;

int clampToView(int64_t v) {
  return static_cast<int>(std::max<int64_t>(-64, std::min<int64_t>(v, 40000)));
}

}  // namespace

void CanvasView::attach(HWND document, HWND view, int zoom, const EditorSession& session) {
  document_ = document;
  view_ = view;
  zoom_ = zoom;
  session_ = &session;
}

int CanvasView::pageColumns() const {
  RECT r;
  GetClientRect(document_, &r);
  return std::max(1, static_cast<int>(r.right) / zoom_);
}

int CanvasView::pageRows() const {
  RECT r;
  GetClientRect(document_, &r);
  return std::max(1, static_cast<int>(r.bottom) / zoom_);
}

int32_t CanvasView::canvasX(int x) const {
  return static_cast<int32_t>(scrollX_ + floorDiv(x, zoom_));
}
int32_t CanvasView::canvasY(int y) const {
  return static_cast<int32_t>(scrollY_ + floorDiv(y, zoom_));
}
int CanvasView::viewX(int64_t x) const { return clampToView((x - scrollX_) * zoom_); }
int CanvasView::viewY(int64_t y) const { return clampToView((y - scrollY_) * zoom_); }

void CanvasView::layout() {
  if (!document_ || !session_) return;
  const Bitmap& canvas = session_->canvas();
  const Bitmap& brush = session_->brush();
  marginX_ = std::max(1, (brush.width() + 1) / 2);
  marginY_ = std::max(1, (brush.height() + 1) / 2);
  RECT r;
  GetClientRect(document_, &r);
  const int columns = pageColumns(), rows = pageRows();
  // The scroll range runs over the canvas and its margin on both sides.
  const int32_t lowX = -marginX_, highX = canvas.width() + marginX_ - columns;
  const int32_t lowY = -marginY_, highY = canvas.height() + marginY_ - rows;
  scrollX_ = std::max(lowX, std::min(scrollX_, highX));
  scrollY_ = std::max(lowY, std::min(scrollY_, highY));
  SCROLLINFO si{sizeof si,
                SIF_ALL | SIF_DISABLENOSCROLL,
                lowX,
                canvas.width() + marginX_ - 1,
                static_cast<UINT>(columns),
                scrollX_,
                0};
  SetScrollInfo(document_, SB_HORZ, &si, TRUE);
  si.nMin = lowY;
  si.nMax = canvas.height() + marginY_ - 1;
  si.nPage = static_cast<UINT>(rows);
  si.nPos = scrollY_;
  SetScrollInfo(document_, SB_VERT, &si, TRUE);
  const int64_t w =
      std::min<int64_t>(int64_t{canvas.width() + marginX_ - scrollX_} * zoom_, r.right);
  const int64_t h =
      std::min<int64_t>(int64_t{canvas.height() + marginY_ - scrollY_} * zoom_, r.bottom);
  MoveWindow(view_, 0, 0, static_cast<int>(w), static_cast<int>(h), FALSE);
  // The workspace and the view at once: a smaller canvas leaves nothing of
  // the old picture behind, even before the pointer moves.
  RedrawWindow(document_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  footprintChanged();
}

void CanvasView::canvasReplaced() {
  scrollX_ = std::numeric_limits<int32_t>::min();  // the top-left corner, margin included
  scrollY_ = std::numeric_limits<int32_t>::min();
  stroking_ = false;
  layout();
}

void CanvasView::fit() {
  const Bitmap& canvas = session_->canvas();
  RECT r;
  GetClientRect(document_, &r);
  int best = kZooms[0];
  for (int z : kZooms)
    if (int64_t{canvas.width() + 2 * marginX_} * z <= r.right &&
        int64_t{canvas.height() + 2 * marginY_} * z <= r.bottom)
      best = z;
  zoom_ = best;
  events_.zoomMoved(zoom_);
  canvasReplaced();
}

void CanvasView::scrollTo(int64_t x, int64_t y) {
  const Bitmap& canvas = session_->canvas();
  x = std::max<int64_t>(-marginX_,
                        std::min<int64_t>(x, int64_t{canvas.width()} + marginX_ - pageColumns()));
  y = std::max<int64_t>(-marginY_,
                        std::min<int64_t>(y, int64_t{canvas.height()} + marginY_ - pageRows()));
  if (x == scrollX_ && y == scrollY_) return;
  scrollX_ = static_cast<int32_t>(x);
  scrollY_ = static_cast<int32_t>(y);
  layout();
}

void CanvasView::zoomAbout(int zoom, int atX, int atY) {
  if (zoom == zoom_) return;
  // The canvas pixel under (atX, atY) stays under it.
  const int64_t x = scrollX_ + floorDiv(atX, zoom_), y = scrollY_ + floorDiv(atY, zoom_);
  zoom_ = zoom;
  scrollX_ = static_cast<int32_t>(x - atX / zoom);
  scrollY_ = static_cast<int32_t>(y - atY / zoom);
  events_.zoomMoved(zoom);
  layout();
}

void CanvasView::setZoom(int zoom) {
  POINT p;
  RECT r;
  GetCursorPos(&p);
  ScreenToClient(view_, &p);
  GetClientRect(view_, &r);
  if (!PtInRect(&r, p)) p = POINT{r.right / 2, r.bottom / 2};
  zoomAbout(zoom, p.x, p.y);
}

void CanvasView::step(int direction) {
  const int count = static_cast<int>(sizeof kZooms / sizeof kZooms[0]);
  int i = 0;
  while (i < count && kZooms[i] != zoom_) ++i;
  const int next = std::max(0, std::min(count - 1, i + direction));
  setZoom(kZooms[next]);
}

void CanvasView::repaint(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  RECT r;
  GetClientRect(view_, &r);
  const int64_t l = std::max<int64_t>(0, (left - scrollX_) * zoom_);
  const int64_t t = std::max<int64_t>(0, (top - scrollY_) * zoom_);
  const int64_t rr = std::min<int64_t>(r.right, (right - scrollX_) * zoom_);
  const int64_t b = std::min<int64_t>(r.bottom, (bottom - scrollY_) * zoom_);
  if (l >= rr || t >= b) return;
  RECT area{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(rr),
            static_cast<LONG>(b)};
  InvalidateRect(view_, &area, FALSE);
}

void CanvasView::paintCanvas(HDC dc, const RECT& area) {
  const EditorSession& session = *session_;
  const Bitmap& canvas = session.canvas();
  const Bitmap& mask = session.mask();
  const Palette& palette = session.palette();
  const ViewOverlay overlay = events_.overlayNow();
  // The margin: everything of the area outside the canvas.
  const RECT onCanvas{viewX(0), viewY(0), viewX(canvas.width()), viewY(canvas.height())};
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, onCanvas.left, onCanvas.top, onCanvas.right, onCanvas.bottom);
  HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, kMarginInk);
  SetBkColor(dc, kMarginPaper);
  SetBkMode(dc, OPAQUE);
  FillRect(dc, &area, hatch);
  DeleteObject(hatch);
  RestoreDC(dc, saved);

  const int64_t c0 = std::max<int64_t>(0, scrollX_ + floorDiv(area.left, zoom_));
  const int64_t r0 = std::max<int64_t>(0, scrollY_ + floorDiv(area.top, zoom_));
  const int64_t c1 =
      std::min<int64_t>(canvas.width(), scrollX_ + floorDiv(area.right + zoom_ - 1, zoom_));
  const int64_t r1 =
      std::min<int64_t>(canvas.height(), scrollY_ + floorDiv(area.bottom + zoom_ - 1, zoom_));
  if (c0 >= c1 || r0 >= r1) return;
  const bool masked = session.maskOn();
  const auto columns = static_cast<std::size_t>(c1 - c0), rows = static_cast<std::size_t>(r1 - r0);
  // One colour a palette index, tinted or not, looked up once.
  RGBQUAD plain[256], shielded[256];
  for (int i = 0; i < 256; ++i) {
    plain[i] = tinted(palette.colours[static_cast<std::size_t>(i)], false);
    shielded[i] = tinted(palette.colours[static_cast<std::size_t>(i)], true);
  }
  std::vector<RGBQUAD> pixels(columns * rows);
  for (std::size_t r = 0; r < rows; ++r) {
    const auto y = static_cast<int32_t>(r0 + static_cast<int64_t>(r));
    const uint8_t* line = &canvas.bits[canvas.offset(static_cast<int32_t>(c0), y)];
    const uint8_t* maskLine = &mask.bits[mask.offset(static_cast<int32_t>(c0), y)];
    RGBQUAD* out = &pixels[r * columns];
    if (overlay.protectIndex >= 0) {
      for (std::size_t c = 0; c < columns; ++c)
        out[c] = line[c] == overlay.protectIndex ? shielded[line[c]] : plain[line[c]];
    } else if (masked) {
      for (std::size_t c = 0; c < columns; ++c)
        out[c] = maskLine[c] == 0 ? shielded[line[c]] : plain[line[c]];
    } else {
      for (std::size_t c = 0; c < columns; ++c) out[c] = plain[line[c]];
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(columns);
  info.bmiHeader.biHeight = -static_cast<LONG>(rows);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, viewX(c0), viewY(r0), static_cast<int>(columns) * zoom_,
                static_cast<int>(rows) * zoom_, 0, 0, static_cast<int>(columns),
                static_cast<int>(rows), pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// The block grid over the view, never into the canvas.
void CanvasView::paintGrid(HDC dc, const std::string& blocks) {
  int64_t bw = 1, bh = 1;
  penBlockSize(blocks, bw, bh);
  RECT view;
  GetClientRect(view_, &view);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 255));
  HGDIOBJ old = SelectObject(dc, pen);
  const Bitmap& canvas = session_->canvas();
  const int top = viewY(0), bottom = viewY(canvas.height());
  const int left = viewX(0), right = viewX(canvas.width());
  if (bw * zoom_ >= 4)
    for (int64_t x = (floorDiv(std::max(0, scrollX_), bw) + 1) * bw;
         x < canvas.width() && (x - scrollX_) * zoom_ < view.right; x += bw) {
      MoveToEx(dc, viewX(x), top, nullptr);
      LineTo(dc, viewX(x), bottom);
    }
  if (bh * zoom_ >= 4)
    for (int64_t y = (floorDiv(std::max(0, scrollY_), bh) + 1) * bh;
         y < canvas.height() && (y - scrollY_) * zoom_ < view.bottom; y += bh) {
      MoveToEx(dc, left, viewY(y), nullptr);
      LineTo(dc, right, viewY(y));
    }
  SelectObject(dc, old);
  DeleteObject(pen);
}

// The blocks a press here fills, dotted black on white, and the brush's ink
// inverted: both read on any colour.
void CanvasView::paintFootprint(HDC dc) {
  auto draw = [&](const std::vector<EdgeSegment>& lines) {
    for (const EdgeSegment& s : lines) {
      MoveToEx(dc, viewX(s.x0), viewY(s.y0), nullptr);
      LineTo(dc, viewX(s.x1), viewY(s.y1));
    }
  };
  HPEN dots = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, dots);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 255));
  draw(blockOutline_);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  const int mode = SetROP2(dc, R2_NOT);
  draw(inkOutline_);
  SetROP2(dc, mode);
  SelectObject(dc, old);
  DeleteObject(dots);
}

void CanvasView::paintFocus(HDC dc) {
  RECT r;
  GetClientRect(view_, &r);
  HBRUSH brush = GetSysColorBrush(COLOR_HIGHLIGHT);
  for (int i = 0; i < kFocusWidth; ++i) {
    FrameRect(dc, &r, brush);
    InflateRect(&r, -1, -1);
  }
}

void CanvasView::paint(HDC dc, const RECT& area) {
  paintCanvas(dc, area);
  const ViewOverlay overlay = events_.overlayNow();
  if (overlay.grid) paintGrid(dc, overlay.blocks);
  paintFootprint(dc);
  if (focused_) paintFocus(dc);
}

// Works the footprint out once for each place, brush and block size; the
// paints draw what is kept here.
void CanvasView::footprintChanged() {
  repaint(footprintShown_);
  footprintShown_ = Area{};
  inkOutline_.clear();
  blockOutline_.clear();
  const ViewOverlay overlay = events_.overlayNow();
  if (!hovering_ || !overlay.footprint) return;
  int64_t bw = 1, bh = 1;
  penBlockSize(overlay.blocks, bw, bh);
  const Bitmap& canvas = session_->canvas();
  const Footprint fp =
      pressFootprint(session_->brush(), hoverX_, hoverY_, bw, bh, canvas.width(), canvas.height());
  inkOutline_ = outline(fp.ink);
  blockOutline_ = outline(fp.blocks);
  Area a{hoverX_, hoverY_, int64_t{hoverX_} + 1, int64_t{hoverY_} + 1};
  for (const auto* boxes : {&fp.ink, &fp.blocks})
    for (const CanvasBox& b : *boxes) {
      a.left = std::min(a.left, b.left);
      a.top = std::min(a.top, b.top);
      a.right = std::max(a.right, b.right);
      a.bottom = std::max(a.bottom, b.bottom);
    }
  // The lines on the right and bottom edges are drawn in the next pixel.
  footprintShown_ = Area{a.left - 1, a.top - 1, a.right + 1, a.bottom + 1};
  repaint(footprintShown_);
}

void CanvasView::hover(bool over, int32_t x, int32_t y) {
  if (over == hovering_ && x == hoverX_ && y == hoverY_) return;
  hovering_ = over;
  hoverX_ = x;
  hoverY_ = y;
  footprintChanged();
}

void CanvasView::mouse(UINT message, WPARAM wParam, LPARAM lParam) {
  events_.toPen(message, wParam, canvasX(GET_X_LPARAM(lParam)), canvasY(GET_Y_LPARAM(lParam)));
}

bool CanvasView::scrollKey(WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
  const int line = std::max(1, 32 / zoom_);
  const Bitmap& canvas = session_->canvas();
  const int64_t rightEnd = int64_t{canvas.width()} + marginX_;
  const int64_t bottomEnd = int64_t{canvas.height()} + marginY_;
  switch (key) {
    case VK_LEFT:
      scrollTo(int64_t{scrollX_} - line, scrollY_);
      return true;
    case VK_RIGHT:
      scrollTo(int64_t{scrollX_} + line, scrollY_);
      return true;
    case VK_UP:
      scrollTo(scrollX_, int64_t{scrollY_} - line);
      return true;
    case VK_DOWN:
      scrollTo(scrollX_, int64_t{scrollY_} + line);
      return true;
    case VK_PRIOR:
    case VK_NEXT: {
      const int sign = key == VK_NEXT ? 1 : -1;
      if (shift)
        scrollTo(int64_t{scrollX_} + sign * pageColumns(), scrollY_);
      else
        scrollTo(scrollX_, int64_t{scrollY_} + sign * pageRows());
      return true;
    }
    case VK_HOME:
      scrollTo(-marginX_, control ? -marginY_ : scrollY_);
      return true;
    case VK_END:
      scrollTo(rightEnd, control ? bottomEnd : scrollY_);
      return true;
    case VK_ADD:
    case VK_OEM_PLUS:
      zoomIn();
      return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      zoomOut();
      return true;
    default:
      return false;
  }
}

void CanvasView::wheel(WPARAM wParam, LPARAM lParam) {
  wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
  const int notches = wheelRest_ / WHEEL_DELTA;
  wheelRest_ -= notches * WHEEL_DELTA;
  if (notches == 0) return;
  const UINT keys = GET_KEYSTATE_WPARAM(wParam);
  if (keys & MK_CONTROL) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};  // on the screen
    ScreenToClient(view_, &p);
    const int count = static_cast<int>(sizeof kZooms / sizeof kZooms[0]);
    int i = 0;
    while (i < count && kZooms[i] != zoom_) ++i;
    zoomAbout(kZooms[std::max(0, std::min(count - 1, i + notches))], p.x, p.y);
    return;
  }
  const int64_t lines = -int64_t{notches} * 3 * std::max(1, 32 / zoom_);
  if (keys & MK_SHIFT)
    scrollTo(scrollX_ + lines, scrollY_);
  else
    scrollTo(scrollX_, scrollY_ + lines);
}

void CanvasView::scrolled(int bar, WPARAM wParam) {
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(document_, bar, &si);
  int64_t pos = si.nPos;
  const int line = std::max(1, 32 / zoom_);
  switch (LOWORD(wParam)) {
    case SB_LINEUP:
      pos -= line;
      break;
    case SB_LINEDOWN:
      pos += line;
      break;
    case SB_PAGEUP:
      pos -= si.nPage;
      break;
    case SB_PAGEDOWN:
      pos += si.nPage;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = si.nTrackPos;
      break;
    case SB_TOP:
      pos = si.nMin;
      break;
    case SB_BOTTOM:
      pos = si.nMax;
      break;
    default:
      return;
  }
  if (bar == SB_HORZ)
    scrollTo(pos, scrollY_);
  else
    scrollTo(scrollX_, pos);
}

LRESULT CanvasView::viewHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      paint(dc, ps.rcPaint);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the canvas and the margin cover the view
    case WM_LBUTTONDOWN:
      SetFocus(window);
      SetCapture(window);  // a drag may leave the canvas and the window
      stroking_ = true;
      mouse(message, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      mouse(message, wParam, lParam);
      stroking_ = false;
      if (GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      stroking_ = false;  // the capture went elsewhere: that stroke is over
      return 0;
    case WM_MOUSEMOVE: {
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        tracking_ = TrackMouseEvent(&track) != 0;
      }
      const int32_t x = canvasX(GET_X_LPARAM(lParam)), y = canvasY(GET_Y_LPARAM(lParam));
      RECT r;
      GetClientRect(window, &r);
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const bool over = PtInRect(&r, p) != FALSE;
      hover(over, x, y);
      events_.pointerMoved(over, x, y);
      // A button held since a press elsewhere (the workspace, the palette)
      // draws nothing here.
      events_.toPen(message, stroking_ ? wParam : wParam & ~WPARAM{MK_LBUTTON}, x, y);
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      hover(false, hoverX_, hoverY_);
      events_.pointerMoved(false, 0, 0);
      return 0;
    case WM_RBUTTONDOWN:
      SetFocus(window);
      mouse(message, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      mouse(message, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      events_.toPen(message, wParam, 0, 0);
      scrollKey(wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      focused_ = message == WM_SETFOCUS;
      InvalidateRect(window, nullptr, FALSE);  // the frame that shows the keyboard is here
      events_.toPen(message, wParam, 0, 0);
      return 0;
    case WM_KEYUP:
    case WM_CHAR:
      events_.toPen(message, wParam, 0, 0);
      return 0;
    case WM_MOUSEWHEEL:
      wheel(wParam, lParam);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CanvasView::documentHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HSCROLL:
      scrolled(SB_HORZ, wParam);
      return 0;
    case WM_VSCROLL:
      scrolled(SB_VERT, wParam);
      return 0;
    case WM_SIZE:
      layout();
      return 0;
    case WM_MOUSEWHEEL:
      wheel(wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(view_);  // the workspace takes no strokes, but the keys scroll
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
