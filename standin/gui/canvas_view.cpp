#include "canvas_view.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "frame.h"
#include "gui_options.h"
#include "script.h"
#include "zorvel_windows.h"

namespace {

int64_t floorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

// The protected pixels are shown half way to magenta.
RGBQUAD tinted(const Rgb& c, bool protectedPixel) {
  if (!protectedPixel) return RGBQUAD{c.blue, c.green, c.red, 0};
  return RGBQUAD{static_cast<BYTE>((c.blue + 255) / 2), static_cast<BYTE>(c.green / 2),
                 static_cast<BYTE>((c.red + 255) / 2), 0};
}

}  // namespace

void CanvasView::attach(HWND document, HWND view, int zoom) {
  document_ = document;
  view_ = view;
  zoom_ = zoom;
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

int32_t CanvasView::canvasX(int viewX) const {
  return static_cast<int32_t>(scrollX_ + floorDiv(viewX, zoom_));
}
int32_t CanvasView::canvasY(int viewY) const {
  return static_cast<int32_t>(scrollY_ + floorDiv(viewY, zoom_));
}

void CanvasView::layout() {
  if (!document_) return;
  const Bitmap& canvas = frame_.session().canvas();
  RECT r;
  GetClientRect(document_, &r);
  const int columns = pageColumns(), rows = pageRows();
  scrollX_ = std::max(0, std::min(scrollX_, canvas.width() - columns));
  scrollY_ = std::max(0, std::min(scrollY_, canvas.height() - rows));
  SCROLLINFO si{sizeof si,
                SIF_ALL | SIF_DISABLENOSCROLL,
                0,
                canvas.width() - 1,
                static_cast<UINT>(columns),
                scrollX_,
                0};
  SetScrollInfo(document_, SB_HORZ, &si, TRUE);
  si.nMax = canvas.height() - 1;
  si.nPage = static_cast<UINT>(rows);
  si.nPos = scrollY_;
  SetScrollInfo(document_, SB_VERT, &si, TRUE);
  const int64_t w = std::min<int64_t>(int64_t{canvas.width() - scrollX_} * zoom_, r.right);
  const int64_t h = std::min<int64_t>(int64_t{canvas.height() - scrollY_} * zoom_, r.bottom);
  MoveWindow(view_, 0, 0, static_cast<int>(w), static_cast<int>(h), FALSE);
  InvalidateRect(document_, nullptr, TRUE);
  repaintAll();
}

void CanvasView::canvasReplaced() {
  scrollX_ = scrollY_ = 0;
  layout();
}

void CanvasView::scrollTo(int64_t x, int64_t y) {
  const Bitmap& canvas = frame_.session().canvas();
  x = std::max<int64_t>(0, std::min<int64_t>(x, canvas.width() - pageColumns()));
  y = std::max<int64_t>(0, std::min<int64_t>(y, canvas.height() - pageRows()));
  if (x == scrollX_ && y == scrollY_) return;
  scrollX_ = static_cast<int32_t>(x);
  scrollY_ = static_cast<int32_t>(y);
  layout();
}

void CanvasView::zoomAbout(int zoom, int viewX, int viewY) {
  if (zoom == zoom_) return;
  // The canvas pixel under (viewX, viewY) stays under it.
  const int64_t x = scrollX_ + floorDiv(viewX, zoom_), y = scrollY_ + floorDiv(viewY, zoom_);
  zoom_ = zoom;
  scrollX_ = static_cast<int32_t>(std::max<int64_t>(0, x - viewX / zoom));
  scrollY_ = static_cast<int32_t>(std::max<int64_t>(0, y - viewY / zoom));
  frame_.bar().showZoom(zoom);
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

void CanvasView::paint(HDC dc, const RECT& area) {
  EditorSession& session = frame_.session();
  const Bitmap& canvas = session.canvas();
  const Bitmap& mask = session.mask();
  const Palette& palette = session.palette();
  const int64_t c0 = std::max<int64_t>(0, scrollX_ + area.left / zoom_);
  const int64_t r0 = std::max<int64_t>(0, scrollY_ + area.top / zoom_);
  const int64_t c1 = std::min<int64_t>(canvas.width(), scrollX_ + (area.right + zoom_ - 1) / zoom_);
  const int64_t r1 =
      std::min<int64_t>(canvas.height(), scrollY_ + (area.bottom + zoom_ - 1) / zoom_);
  if (c0 >= c1 || r0 >= r1) return;
  const int protect = frame_.bar().protectIndex();
  const bool masked = session.maskOn();
  const auto columns = static_cast<std::size_t>(c1 - c0), rows = static_cast<std::size_t>(r1 - r0);
  std::vector<RGBQUAD> pixels(columns * rows);
  for (std::size_t r = 0; r < rows; ++r)
    for (std::size_t c = 0; c < columns; ++c) {
      const auto x = static_cast<int32_t>(c0 + static_cast<int64_t>(c));
      const auto y = static_cast<int32_t>(r0 + static_cast<int64_t>(r));
      const uint8_t index = canvas.at(x, y);
      const bool shielded = protect >= 0 ? index == protect : masked && mask.at(x, y) == 0;
      pixels[r * columns + c] = tinted(palette.colours[index], shielded);
    }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(columns);
  info.bmiHeader.biHeight = -static_cast<LONG>(rows);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, static_cast<int>((c0 - scrollX_) * zoom_),
                static_cast<int>((r0 - scrollY_) * zoom_), static_cast<int>(columns) * zoom_,
                static_cast<int>(rows) * zoom_, 0, 0, static_cast<int>(columns),
                static_cast<int>(rows), pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  if (!frame_.bar().grid()) return;
  // The block grid over the view, never into the canvas.
  std::string item;
  if (!zorvel_windows::selectedItem(frame_.bar().box(), item)) item = session.latchedItem();
  int64_t bw = 1, bh = 1;
  penBlockSize(item, bw, bh);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 255));
  HGDIOBJ old = SelectObject(dc, pen);
  RECT view;
  GetClientRect(view_, &view);
  if (bw * zoom_ >= 4)
    for (int64_t x = (scrollX_ / bw + 1) * bw; (x - scrollX_) * zoom_ < view.right; x += bw) {
      const int vx = static_cast<int>((x - scrollX_) * zoom_);
      MoveToEx(dc, vx, 0, nullptr);
      LineTo(dc, vx, view.bottom);
    }
  if (bh * zoom_ >= 4)
    for (int64_t y = (scrollY_ / bh + 1) * bh; (y - scrollY_) * zoom_ < view.bottom; y += bh) {
      const int vy = static_cast<int>((y - scrollY_) * zoom_);
      MoveToEx(dc, 0, vy, nullptr);
      LineTo(dc, view.right, vy);
    }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void CanvasView::mouse(UINT message, WPARAM wParam, LPARAM lParam) {
  frame_.penMessage(message, wParam, canvasX(GET_X_LPARAM(lParam)), canvasY(GET_Y_LPARAM(lParam)));
}

bool CanvasView::scrollKey(WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
  const int line = std::max(1, 32 / zoom_);
  const Bitmap& canvas = frame_.session().canvas();
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
      scrollTo(0, control ? 0 : scrollY_);
      return true;
    case VK_END:
      scrollTo(canvas.width(), control ? canvas.height() : scrollY_);
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
      pos = 0;
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
      return 1;  // the canvas covers the view
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
      const Bitmap& canvas = frame_.session().canvas();
      frame_.showPosition(x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height(), x, y);
      // A button held since a press elsewhere (the workspace, the palette)
      // draws nothing here.
      frame_.penMessage(message, stroking_ ? wParam : wParam & ~WPARAM{MK_LBUTTON}, x, y);
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      frame_.showPosition(false, 0, 0);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      mouse(message, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      frame_.penMessage(message, wParam, 0, 0);
      scrollKey(wParam);
      return 0;
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      frame_.penMessage(message, wParam, 0, 0);
      return 0;
    case WM_MOUSEWHEEL:
      wheel(wParam, lParam);
      return 0;
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
