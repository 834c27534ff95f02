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
#include "save_choice.h"
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

// In the order of save_choice.h's filter indices.
constexpr wchar_t kPictureFilter[] =
    L"8-bit BMP (*.bmp)\0*.bmp\0PNG export (*.png)\0*.png\0PNG export, 2 times enlarged\0*.png\0"
    L"PNG export, 4 times enlarged\0*.png\0PNG export, 8 times enlarged\0*.png\0";

// Posted when a click in the bar made its choice: the keyboard goes back to
// the view once the click is done.
constexpr UINT kKeysToView = WM_APP + 2;

std::string bareName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Frame::Frame(const GuiOptions& options, const PenLibrary& pen, const PenInfo& info,
             std::string recordPath, std::string timingPath)
    : options_(options),
      pen_(pen),
      info_(info),
      recordPath_(std::move(recordPath)),
      bar_(events_),
      view_(events_),
      palette_(events_) {
  events_.toPen = [this](UINT m, WPARAM k, int32_t x, int32_t y) { penMessage(m, k, x, y); };
  events_.pointerMoved = [this](bool over, int32_t x, int32_t y) { pointerAt(over, x, y); };
  events_.inputsEdited = [this] { inputsChanged(); };
  events_.coloursEdited = [this] { coloursChanged(); };
  events_.zoomPicked = [this](int zoom) { zoomChosen(zoom); };
  events_.zoomMoved = [this](int zoom) { zoomShown(zoom); };
  events_.aboutAsked = [this] { aboutThePen(); };
  events_.choiceMade = [this] { keysToView(); };
  events_.overlayNow = [this] { return overlay(); };
  if (!timingPath.empty()) latency_.start(timingPath);
}

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
  bar_.create(windows_, pen_.module(), info_, options_, *session_);
  view_.attach(windows_.document, windows_.view, options_.zoom, *session_);
  palette_.attach(CreateWindowExW(0, L"Zorvel Palette", L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                  kPaletteWidth, 16 * kPaletteCell + 2 * kPaletteMargin,
                                  windows_.frame, nullptr, instance, &palette_),
                  *session_);
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                            0, 0, 0, windows_.frame, nullptr, instance, nullptr);
  // The font its parts are measured in.
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);

  session_->setColours(options_.primary, options_.secondary);
  inputsChanged();
  session_->newCanvas(options_.width, options_.height, 0);
  session_->readyForStrokes();
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
  latency_.arrived(message);
  HWND focus = GetFocus();
  const bool inText = bar_.isTextField(focus);
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && bar_.enter(focus))
    return true;
  if (TranslateAcceleratorW(windows_.frame, inText ? textKeys_ : keys_, &message)) return true;
  // Tab goes round the view and the bar's controls; an open drop-down list
  // keeps its own keys.
  const bool dropped =
      focus && SendMessageW(GetParent(focus) == bar_.page() ? focus : GetParent(focus),
                            CB_GETDROPPEDSTATE, 0, 0) != 0;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && !dropped &&
      GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
    tab(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  // A button, box or slider of the bar chosen with the mouse: the keyboard
  // goes back to the view once the click is done.
  if (message.message == WM_LBUTTONUP && bar_.choiceByClick(message.hwnd))
    PostMessageW(windows_.frame, kKeysToView, 0, 0);
  // The arrow keys between the bar's controls.
  const bool inBar = message.hwnd == bar_.page() || IsChild(bar_.page(), message.hwnd);
  return inBar && IsDialogMessageW(bar_.page(), &message);
}

void Frame::tab(bool backwards) {
  std::vector<HWND> stops = bar_.tabStops();
  stops.insert(stops.begin(), windows_.view);
  HWND focus = GetFocus();
  // The control that holds the focus (a box's edit field is its child).
  std::size_t at = stops.size();
  for (std::size_t i = 0; i < stops.size(); ++i)
    if (focus == stops[i] || IsChild(stops[i], focus)) at = i;
  const std::size_t n = stops.size();
  const std::size_t next = at == n ? 0 : (backwards ? at + n - 1 : at + 1) % n;
  SetFocus(stops[next]);
}

void Frame::layout() {
  if (!status_) return;
  RECT r;
  GetClientRect(windows_.frame, &r);
  SendMessageW(status_, WM_SIZE, 0, 0);
  const int w = static_cast<int>(r.right);
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
         std::to_string(canvas.width()) + " x " + std::to_string(canvas.height()) + ")" +
         (session_->document().readOnly ? " read-only" : "");
}

void Frame::showTitle() {
  const std::string title = utf8FromCodePage(932, info_.name ? info_.name : "pen") +
                            " - Zorvel stand-in: " + documentName() +
                            (session_->modified() ? " *" : "");
  if (title == title_) return;  // under X each title is a round trip to the display
  title_ = title;
  SetWindowTextW(windows_.frame, widened(title).c_str());
}

void Frame::setStatusText(int part, const std::string& text) {
  std::string& shown = statusTexts_[static_cast<std::size_t>(part)];
  if (text == shown) return;  // each text repaints its part
  shown = text;
  SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(part),
               reinterpret_cast<LPARAM>(widened(text).c_str()));
}

// The pointer's canvas pixel, with its palette index and colour on the
// canvas; off it, only where it is.
void Frame::pointerAt(bool over, int32_t x, int32_t y) {
  std::string where;
  const Bitmap& canvas = session_->canvas();
  if (over && x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height()) {
    const uint8_t index = canvas.at(x, y);
    const Rgb& c = session_->palette().colours[index];
    where = std::to_string(x) + ", " + std::to_string(y) + ": index " + std::to_string(index) +
            " (" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
            std::to_string(c.blue) + ")";
  } else if (over) {
    where = std::to_string(x) + ", " + std::to_string(y) + ": off the canvas";
  }
  setStatusText(0, where);
}

// Each part as wide as its text; the pointer's part as wide as its longest.
void Frame::fitStatusParts(const std::string* texts, int count) {
  HDC dc = GetDC(status_);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  auto width = [&](const std::string& text) {
    const std::wstring wide = widened(text);
    SIZE size{0, 0};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
  };
  constexpr int kPadding = 14;  // the part's borders and the text's inset
  std::vector<int> edges;
  int edge = width("-9999, -9999: index 255 (255, 255, 255)") + kPadding;
  edges.push_back(edge);
  for (int i = 0; i + 1 < count; ++i) edges.push_back(edge += width(texts[i]) + kPadding);
  edges.push_back(-1);  // the last part takes the rest
  SelectObject(dc, old);
  ReleaseDC(status_, dc);
  if (edges == statusEdges_) return;
  statusEdges_ = edges;
  SendMessageW(status_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  InvalidateRect(status_, nullptr, TRUE);  // no leftovers of the old parts
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
    notice_ = "undo forgot " + std::to_string(forgotten) + " oldest step" +
              (forgotten > 1 ? "s" : "") + " (limit " + std::to_string(kMaxUndoBytes >> 20) +
              " MiB)";
  const std::string texts[] = {"blocks: " + (selected ? escaped(item) : std::string("(none)")),
                               "tone " + std::to_string(in.tone),
                               "colours " + std::to_string(session_->primary()) + " / " +
                                   std::to_string(session_->secondary()),
                               changed, notice_};
  bool same = true;
  for (int i = 0; i < 5; ++i)
    same = same && texts[i] == statusTexts_[static_cast<std::size_t>(i + 1)];
  if (same) return;
  fitStatusParts(texts, 5);
  for (int i = 0; i < 5; ++i) setStatusText(i + 1, texts[i]);
}

void Frame::repaintAll() {
  view_.repaintAll();
  palette_.repaint();
  bar_.showColours();
  showStatus();
  showTitle();
}

// The bar's inputs into the session; true when the brush changed size.
bool Frame::applyInputs() {
  PenInputs in = bar_.inputs();
  in.primary = session_->primary();
  in.secondary = session_->secondary();
  const Bitmap& brush = session_->brush();
  const int32_t w = brush.width(), h = brush.height();
  session_->setInputs(in);
  return brush.width() != w || brush.height() != h;
}

void Frame::inputsChanged() {
  if (applyInputs()) view_.layout();  // the margin is half the brush
  view_.repaintAll();  // the mask's tint, the grid and the footprint may have changed
  view_.footprintChanged();
  showStatus();
}

void Frame::coloursChanged() {
  palette_.repaint();
  bar_.showColours();
  showStatus();
}

void Frame::zoomChosen(int zoom) { view_.setZoom(zoom); }

void Frame::zoomShown(int zoom) { bar_.showZoom(zoom); }

void Frame::aboutThePen() { showAbout(windows_.frame, info_); }

void Frame::keysToView() { SetFocus(windows_.view); }

ViewOverlay Frame::overlay() const {
  ViewOverlay o;
  o.protectIndex = bar_.protectIndex();
  o.grid = bar_.grid();
  o.footprint = footprint_;
  // The text the next press reads: the selected item, else the last one read.
  if (!zorvel_windows::selectedItem(windows_.box, o.blocks)) o.blocks = session_->latchedItem();
  return o;
}

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
      view_.footprintChanged();  // the press may have read another block size
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
  // The release closed the stroke: a stroke that changed nothing left the
  // document as saved as it was.
  if (message == WM_LBUTTONUP) showTitle();
  if (message == WM_LBUTTONDOWN || session_->drew()) showStatus();
}

bool Frame::keepWork(const std::string& what) {
  if (!session_->modified()) return true;
  switch (askUnsaved(windows_.frame, documentName(), what)) {
    case UnsavedChoice::save:
      if (save(session_->document().file.empty())) return true;
      if (exported_)
        showMessage(windows_.frame,
                    "A PNG is an export: its colours cannot be opened again as the palette "
                    "indices they came from, so the document is still not saved. Save it as "
                    "an 8-bit BMP, or discard the changes.",
                    MB_ICONWARNING);
      return false;
    case UnsavedChoice::discard:
      return true;
    case UnsavedChoice::cancel:
    default:
      return false;
  }
}

bool Frame::save(bool askForName) {
  exported_ = false;
  const Document& doc = session_->document();
  const Bitmap& canvas = session_->canvas();
  SaveChoice choice = chooseSave(doc.file, kSaveAsBmp, canvas.width(), canvas.height());
  // A document opened read-only is never written over by Save.
  if (askForName || doc.file.empty() || doc.readOnly) {
    int filter = kSaveAsBmp;  // a document is a BMP: Save As starts from its name and type
    const std::string path = askSaveFile(windows_.frame, kPictureFilter, L"bmp",
                                         doc.file.empty() ? "untitled.bmp" : doc.file, &filter);
    if (path.empty()) return false;
    choice = chooseSave(path, filter, canvas.width(), canvas.height());
  }
  if (!choice.problem.empty()) {
    showMessage(windows_.frame, "The picture was not saved: " + choice.problem);
    return false;
  }
  const std::vector<uint8_t> bytes =
      choice.png ? pngBytes(colourPicture(canvas.indexed(), session_->palette(), choice.scale))
                 : indexedBmp(canvas.indexed(), session_->palette());
  std::string error;
  if (bytes.empty()) error = "the PNG encoder failed";
  if (!error.empty() || !writeWhole(choice.path, bytes, error)) {
    showMessage(windows_.frame, "The picture was not saved: " + error);
    return false;
  }
  if (choice.png) {
    // Its pixels are colours, not the palette's indices: the document is
    // still unsaved and keeps its own name.
    exported_ = true;
    notice_ = "exported " + bareName(choice.path) +
              (choice.scale > 1 ? " (" + std::to_string(choice.scale) + "x)" : "") +
              "; the document is not saved";
    showStatus();
    return false;
  }
  session_->nameDocument(choice.path, false);
  session_->markSaved();
  showTitle();
  return true;
}

void Frame::documentReplaced() {
  session_->readyForStrokes();
  pointerAt(false, 0, 0);  // what it read belonged to the old canvas
  bar_.documentReplaced();
  inputsChanged();
  view_.fit();
  repaintAll();
}

void Frame::newCanvas() {
  if (!keepWork("starting a new canvas")) return;
  int32_t w = session_->canvas().width(), h = session_->canvas().height();
  uint8_t fill = 0;
  if (!askNewCanvas(windows_.frame, w, h, fill)) return;
  latency_.restart("new");
  session_->newCanvas(w, h, fill);
  documentReplaced();
}

void Frame::open() {
  if (!keepWork("opening another picture")) return;
  bool readOnly = false;
  // Only what Open reads: an 8-bit BMP.
  const std::string path = askOpenFile(windows_.frame, L"8-bit BMP (*.bmp)\0*.bmp\0", &readOnly);
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
  session_->nameDocument(path, readOnly);
  documentReplaced();
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
  const std::string problem = fileNameProblem(bareName(path));
  if (!problem.empty()) {
    showMessage(windows_.frame, "The recording was not written: the name '" +
                                    escapedPath(bareName(path)) + "' " + problem + ".");
    return;
  }
  std::string error;
  if (!writeRecording(path, error)) {
    showMessage(windows_.frame, "The recording was not written: " + error);
    return;
  }
  recordPath_ = path;  // and again when the window closes
}

void Frame::history(bool undo) {
  latency_.relabel(undo ? "undo" : "redo");
  const int32_t w = session_->canvas().width(), h = session_->canvas().height();
  if (!(undo ? session_->undo() : session_->redo())) return;
  applyInputs();
  // New and Open, undone or redone, bring another canvas: the view, its
  // scroll bars and the readout take its size at once. A stroke's step
  // repaints only what it put back (a palette's, the whole canvas).
  if (session_->canvas().width() != w || session_->canvas().height() != h) {
    pointerAt(false, 0, 0);
    view_.canvasReplaced();
  } else {
    const PixelBox back = session_->lastUndoChange();
    view_.repaint(back.left, back.top, back.right, back.bottom);
  }
  palette_.repaint();
  bar_.showColours();
  showStatus();
  showTitle();
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
  std::string error;
  if (!latency_.write(error)) showMessage(windows_.frame, "The timings were not written: " + error);
  DestroyWindow(windows_.frame);
}

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
    case IDM_FIT:
      view_.fit();
      break;
    case IDM_FOOTPRINT:
      footprint_ = !footprint_;
      view_.footprintChanged();
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
      aboutThePen();
      break;
    default:
      break;
  }
  // Menus and dialogs leave the keyboard with the view.
  if (id != IDM_EXIT) keysToView();
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
    case WM_SETFOCUS:
      // Back from a dialog, a message or another program: the view has the
      // keyboard, not the frame, which does nothing with it.
      keysToView();
      return 0;
    case kKeysToView:
      keysToView();
      return 0;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (bar_.notify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
      return DefWindowProcW(window, message, wParam, lParam);
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
      const UINT shown = footprint_ ? MF_CHECKED : MF_UNCHECKED;
      CheckMenuItem(menu, IDM_FOOTPRINT, MF_BYCOMMAND | shown);
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
