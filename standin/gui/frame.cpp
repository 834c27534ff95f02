#include "frame.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "dialogs.h"
#include "file_names.h"
#include "files.h"
#include "gui_resources.h"
#include "palette.h"
#include "picture_files.h"
#include "script.h"
#include "text.h"
#include "wide_text.h"
#include "window_object.h"

namespace {

// The panes between the frame and the bar's controls pass the controls'
// notifications up to the frame, as a dialog bar does.
LRESULT CALLBACK paneProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_NOTIFY:
    case WM_DRAWITEM:
      return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

constexpr wchar_t kPictureFilter[] =
    L"8-bit BMP (*.bmp)\0*.bmp\0PNG (*.png)\0*.png\0PNG, 2 times enlarged\0*.png\0"
    L"PNG, 4 times enlarged\0*.png\0PNG, 8 times enlarged\0*.png\0";
constexpr int kPngScales[] = {0, 0, 1, 2, 4, 8};  // by filter index; 0: BMP

std::string bareName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Frame::Frame(const GuiOptions& options, const PenLibrary& pen, const PenInfo& info,
             std::string recordPath)
    : options_(options),
      pen_(pen),
      info_(info),
      recordPath_(std::move(recordPath)),
      bar_(*this),
      view_(*this),
      palette_(*this) {}

bool Frame::create(std::string& error) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  registerWindowClass("Zorvel Frame", objectProcedure<Frame, &Frame::handle>, face);
  registerWindowClass("Zorvel Pane", paneProcedure, face);
  registerWindowClass(zorvel_windows::kDialogBarClass, paneProcedure, face);
  registerWindowClass("Zorvel Document", objectProcedure<CanvasView, &CanvasView::documentHandle>,
                      GetSysColorBrush(COLOR_APPWORKSPACE));
  registerWindowClass("Zorvel View", objectProcedure<CanvasView, &CanvasView::viewHandle>, nullptr,
                      MAKEINTRESOURCEW(32515));  // IDC_CROSS
  registerWindowClass("Zorvel Palette", objectProcedure<PaletteGrid, &PaletteGrid::handle>, face);

  zorvel_windows::TreeRecipe recipe;
  recipe.documentClass = "Zorvel Document";
  recipe.viewClass = "Zorvel View";
  recipe.frameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  recipe.paneStyle = WS_VISIBLE | WS_CLIPCHILDREN;
  recipe.documentStyle = WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN;
  recipe.viewStyle = WS_VISIBLE;
  recipe.frameParam = this;
  recipe.documentParam = &view_;
  recipe.viewParam = &view_;
  recipe.items = kGuiBlockItems;
  recipe.itemCount = sizeof kGuiBlockItems / sizeof kGuiBlockItems[0];
  windows_ = zorvel_windows::buildTree(recipe);
  if (!windows_.complete()) {
    error =
        "cannot create the editor's windows (under Wine a display or the null driver is needed)";
    return false;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  SetMenu(windows_.frame, LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MENU)));
  keys_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_KEYS));
  textKeys_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_TEXT_KEYS));

  box_ = std::make_unique<WindowBlockBox>(windows_.box);
  session_ = std::make_unique<EditorSession>(penCallFor(pen_, windows_.view), *box_);
  session_->record(&recorder_);
  bar_.create(windows_, pen_.module(), info_, options_);
  view_.attach(windows_.document, windows_.view, options_.zoom);
  palette_.attach(CreateWindowExW(0, L"Zorvel Palette", L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                  kPaletteWidth, 16 * kPaletteCell + 2 * kPaletteMargin,
                                  windows_.frame, nullptr, instance, &palette_));
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                            0, 0, 0, windows_.frame, nullptr, instance, nullptr);

  session_->setColours(options_.primary, options_.secondary);
  inputsChanged();
  session_->newCanvas(options_.width, options_.height, 0);
  view_.canvasReplaced();
  showStatus();

  ShowWindow(windows_.frame, SW_SHOW);
  layout();
  showTitle();
  UpdateWindow(windows_.frame);
  SetFocus(windows_.view);
  return true;
}

bool Frame::translate(MSG& message) {
  HWND focus = GetFocus();
  const bool inText = bar_.isTextField(focus);
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && bar_.enter(focus))
    return true;
  if (TranslateAcceleratorW(windows_.frame, inText ? textKeys_ : keys_, &message)) return true;
  // Tab and the arrow keys between the bar's controls.
  const bool inBar = message.hwnd == bar_.page() || IsChild(bar_.page(), message.hwnd);
  return inBar && IsDialogMessageW(bar_.page(), &message);
}

void Frame::layout() {
  if (!status_) return;
  RECT r;
  GetClientRect(windows_.frame, &r);
  SendMessageW(status_, WM_SIZE, 0, 0);
  const int w = static_cast<int>(r.right);
  const int parts[] = {90,
                       std::max(200, w - 560),
                       std::max(270, w - 490),
                       std::max(380, w - 380),
                       std::max(560, w - 200),
                       -1};
  SendMessageW(status_, SB_SETPARTS, 6, reinterpret_cast<LPARAM>(parts));
  InvalidateRect(status_, nullptr, TRUE);  // no leftovers of the old parts
  RECT s;
  GetWindowRect(status_, &s);
  const int statusHeight = s.bottom - s.top;
  const int top = kToolbarHeight + kBarHeight;
  bar_.layout(w);
  const int left = std::max(0, w - kPaletteWidth);
  const int h = std::max(0, static_cast<int>(r.bottom) - top - statusHeight);
  MoveWindow(palette_.window(), left, top, kPaletteWidth, h, TRUE);
  MoveWindow(windows_.client, 0, top, left, h, TRUE);
  MoveWindow(windows_.document, 0, 0, left, h, TRUE);
  view_.layout();
}

std::string Frame::documentName() const {
  const Bitmap& canvas = session_->canvas();
  const std::string& file = session_->document().file;
  return (file.empty() ? std::string("untitled") : bareName(file)) + " (" +
         std::to_string(canvas.width()) + " x " + std::to_string(canvas.height()) + ")";
}

void Frame::showTitle() {
  const std::string title = utf8FromCodePage(932, info_.name ? info_.name : "pen") +
                            " - Zorvel stand-in: " + documentName() +
                            (session_->modified() ? " *" : "");
  SetWindowTextW(windows_.frame, widened(title).c_str());
}

void Frame::showPosition(bool onCanvas, int32_t x, int32_t y) {
  const std::string where = onCanvas ? std::to_string(x) + ", " + std::to_string(y) : "";
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(widened(where).c_str()));
}

void Frame::showStatus() {
  std::string item;
  const bool selected = zorvel_windows::selectedItem(windows_.box, item);
  const PenInputs in = bar_.inputs();
  // What changed last: the pen's rectangle, or what an undo or redo put back.
  const PixelBox undone = session_->lastUndoChange();
  const int32_t* c = session_->changed();
  const int32_t back[4] = {undone.left, undone.top, undone.right, undone.bottom};
  const int32_t* r = undone.empty() ? c : back;
  const std::string changed = "changed " + std::to_string(r[0]) + ", " + std::to_string(r[1]) +
                              " - " + std::to_string(r[2]) + ", " + std::to_string(r[3]);
  const int forgotten = session_->takeForgotten();
  if (forgotten > 0)
    forgotten_ = "undo forgot " + std::to_string(forgotten) + " oldest step" +
                 (forgotten > 1 ? "s" : "") + " (limit " + std::to_string(kMaxUndoBytes >> 20) +
                 " MiB)";
  const std::string texts[] = {"blocks: " + (selected ? escaped(item) : std::string("(none)")),
                               "tone " + std::to_string(in.tone),
                               "colours " + std::to_string(session_->primary()) + " / " +
                                   std::to_string(session_->secondary()),
                               changed, forgotten_};
  for (int i = 0; i < 5; ++i)
    SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(i + 1),
                 reinterpret_cast<LPARAM>(widened(texts[i]).c_str()));
}

void Frame::repaintAll() {
  view_.repaintAll();
  palette_.repaint();
  bar_.showColours();
  showStatus();
  showTitle();
}

void Frame::inputsChanged() {
  PenInputs in = bar_.inputs();
  in.primary = session_->primary();
  in.secondary = session_->secondary();
  session_->setInputs(in);
  view_.repaintAll();  // the mask's tint and the grid may have changed
  showStatus();
}

void Frame::coloursChanged() {
  palette_.repaint();
  bar_.showColours();
  showStatus();
}

void Frame::zoomChosen(int zoom) { view_.setZoom(zoom); }

void Frame::penMessage(UINT message, WPARAM keyFlags, int32_t x, int32_t y) {
  PenInputs in = bar_.inputs();
  in.primary = session_->primary();
  in.secondary = session_->secondary();
  session_->setInputs(in);
  const bool shift = (keyFlags & MK_SHIFT) != 0;
  const auto flags = static_cast<uint32_t>(keyFlags);
  switch (message) {
    case WM_LBUTTONDOWN:
      session_->press(x, y, shift, true, bar_.protectIndex());
      if (bar_.protectIndex() >= 0) view_.repaintAll();  // the mask was rebuilt
      break;
    case WM_MOUSEMOVE:
      if (keyFlags & MK_LBUTTON)
        session_->drag(x, y, shift);
      else
        session_->move(x, y);
      break;
    case WM_LBUTTONUP:
      session_->release(x, y);
      break;
    case WM_RBUTTONDOWN:
      session_->pick(x, y, shift);
      break;
    default:
      session_->other(message, flags, x, y);  // the script has no words for these
      break;
  }
  if (session_->picked()) coloursChanged();
  if (session_->drew()) {
    // Blocks reach beyond the brush rectangle by up to a block less a pixel.
    int64_t bw = 1, bh = 1;
    session_->latchedBlockSize(bw, bh);
    const int32_t* c = session_->changed();
    view_.repaint(c[0] - bw, c[1] - bh, int64_t{c[2]} + bw, int64_t{c[3]} + bh);
    showTitle();
  }
  if (message == WM_LBUTTONDOWN || session_->drew()) showStatus();
}

bool Frame::keepWork(const std::string& what) {
  if (!session_->modified()) return true;
  switch (askUnsaved(windows_.frame, documentName(), what)) {
    case UnsavedChoice::save:
      return save(session_->document().file.empty());
    case UnsavedChoice::discard:
      return true;
    case UnsavedChoice::cancel:
    default:
      return false;
  }
}

// Saves the canvas: as a BMP (the canvas bytes and the palette, as they
// are), or as a PNG in colour at the scale chosen. Either marks it saved.
bool Frame::save(bool askForName) {
  std::string path = session_->document().file;
  int scale = session_->document().fileScale;
  if (askForName || path.empty()) {
    int filter = 1;
    const std::string suggested = path.empty() ? "untitled.bmp" : bareName(path);
    path = askSaveFile(windows_.frame, kPictureFilter, L"bmp", suggested, &filter);
    if (path.empty()) return false;
    scale =
        hasExtension(path, ".png") ? std::max(1, kPngScales[std::max(0, std::min(filter, 5))]) : 0;
  }
  const IndexedCanvas canvas = session_->canvas().indexed();
  if (scale > 0 && int64_t{canvas.width} * canvas.height * scale * scale > kMaxColourPixels) {
    showMessage(windows_.frame, "The canvas is too large for a PNG " + std::to_string(scale) +
                                    " times enlarged: at most " + std::to_string(kMaxColourPixels) +
                                    " pixels can be written. Save it less enlarged, or at 1x.");
    return false;
  }
  const std::vector<uint8_t> bytes =
      scale > 0 ? pngBytes(colourPicture(canvas, session_->palette(), scale))
                : indexedBmp(canvas, session_->palette());
  std::string error;
  if (bytes.empty()) error = "the PNG encoder failed";
  if (!error.empty() || !writeWhole(path, bytes, error)) {
    showMessage(windows_.frame, "The picture was not saved: " + error);
    return false;
  }
  session_->nameDocument(path, scale);
  session_->markSaved();
  showTitle();
  return true;
}

void Frame::newCanvas() {
  if (!keepWork("starting a new canvas")) return;
  int32_t w = session_->canvas().width(), h = session_->canvas().height();
  uint8_t fill = 0;
  if (!askNewCanvas(windows_.frame, w, h, fill)) return;
  session_->newCanvas(w, h, fill);
  bar_.documentReplaced();
  inputsChanged();
  view_.canvasReplaced();
  repaintAll();
}

void Frame::open() {
  if (!keepWork("opening another picture")) return;
  const std::string path =
      askOpenFile(windows_.frame, L"8-bit BMP (*.bmp)\0*.bmp\0All files\0*.*\0");
  if (path.empty()) return;
  std::vector<uint8_t> bytes;
  std::string error;
  IndexedImage image;
  if (!readFile(path, kMaxPictureFileBytes, bytes, error) ||
      !readIndexedBmp(bytes, kMaxCanvasSide, image, error)) {
    showMessage(windows_.frame, "Cannot open '" + escapedPath(path) + "': " + error);
    return;
  }
  session_->loadCanvas(image, bytes);
  session_->nameDocument(path, 0);
  bar_.documentReplaced();
  inputsChanged();
  view_.canvasReplaced();
  repaintAll();
}

void Frame::loadPalette() {
  const std::string path =
      askOpenFile(windows_.frame, L"JASC-PAL (*.pal)\0*.pal\0All files\0*.*\0");
  if (path.empty()) return;
  std::vector<uint8_t> bytes;
  std::string error;
  Palette palette;
  if (!readFile(path, kMaxPaletteFileBytes, bytes, error)) {
    showMessage(windows_.frame, "Cannot open '" + escapedPath(path) + "': " + error);
    return;
  }
  // The reader's messages name the file themselves.
  if (!parseJascPalette(bareName(path), bytes, palette, error)) {
    showMessage(windows_.frame, "Not a palette: " + error);
    return;
  }
  session_->setPalette(palette, &bytes);
  repaintAll();
}

bool Frame::writeRecording(const std::string& path, std::string& error) {
  const std::vector<uint8_t> bmp = indexedBmp(session_->canvas().indexed(), session_->palette());
  return recorder_.write(path, bmp, error);
}

void Frame::saveRecordingAs() {
  const std::string path = askSaveFile(windows_.frame, L"Stroke script (*.strokes)\0*.strokes\0",
                                       L"strokes", "session.strokes");
  if (path.empty()) return;
  std::string error;
  if (!writeRecording(path, error)) {
    showMessage(windows_.frame, "The recording was not written: " + error);
    return;
  }
  recordPath_ = path;  // and again when the window closes
}

void Frame::history(bool undo) {
  if (!(undo ? session_->undo() : session_->redo())) return;
  inputsChanged();
  repaintAll();
}

// Asks about unsaved work, then writes the recording; if it cannot be
// written, another place is asked for rather than losing the session.
void Frame::close() {
  if (!keepWork("closing")) return;
  while (!recordPath_.empty()) {
    std::string error;
    if (writeRecording(recordPath_, error)) break;
    showMessage(windows_.frame,
                "The recording was not written: " + error + "\n\nChoose another place for it.");
    const std::string path = askSaveFile(windows_.frame, L"Stroke script (*.strokes)\0*.strokes\0",
                                         L"strokes", bareName(recordPath_));
    if (!path.empty()) {
      recordPath_ = path;
      continue;
    }
    if (!askYesNo(windows_.frame, "Close without the recording? The session is then lost.")) return;
    exitStatus_ = kExitRecordingLost;
    break;
  }
  DestroyWindow(windows_.frame);
}

void Frame::about() { showAbout(windows_.frame, info_); }

void Frame::command(int id) {
  switch (id) {
    case IDM_NEW:
      newCanvas();
      break;
    case IDM_OPEN:
      open();
      break;
    case IDM_SAVE:
      save(false);
      break;
    case IDM_SAVE_AS:
      save(true);
      break;
    case IDM_LOAD_PALETTE:
      loadPalette();
      break;
    case IDM_DEFAULT_PALETTE:
      session_->setPalette(defaultPalette(), nullptr);
      repaintAll();
      break;
    case IDM_SAVE_RECORDING:
      saveRecordingAs();
      break;
    case IDM_EXIT:
      close();
      break;
    case IDM_UNDO:
      history(true);
      break;
    case IDM_REDO:
      history(false);
      break;
    case IDM_ZOOM_IN:
      view_.zoomIn();
      break;
    case IDM_ZOOM_OUT:
      view_.zoomOut();
      break;
    case IDM_ABOUT:
      about();
      break;
    default:
      break;
  }
}

LRESULT Frame::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = POINT{680, 420};  // the bar's controls and some canvas
      return 0;
    }
    case WM_COMMAND:
      if (lParam == 0)
        command(LOWORD(wParam));  // a menu or a shortcut
      else
        bar_.command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      bar_.scrolled(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_DRAWITEM:
      return bar_.drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_INITMENUPOPUP: {
      auto menu = reinterpret_cast<HMENU>(wParam);
      const UINT undo = session_->canUndo() ? MF_ENABLED : MF_GRAYED;
      const UINT redo = session_->canRedo() ? MF_ENABLED : MF_GRAYED;
      EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | undo);
      EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | redo);
      return 0;
    }
    case kCheckFields:
      bar_.checkFields();
      return 0;
    case WM_CLOSE:
      close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(exitStatus_);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
