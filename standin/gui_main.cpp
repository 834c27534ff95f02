// standin-gui.exe - the editor's part, played interactively: a window with
// the editor's window tree, where a person draws with any pen plug-in using
// the mouse, and a recording of what they did as a stroke script that
// standin.exe replays to the same canvas.
//
//   standin-gui [PEN.dll] [--canvas W H] [--zoom N] [--blocks TEXT] [--tone N]
//               [--colours P S] [--brush square|round N] [--record FILE.strokes]
//
// The window tree is the editor's: the frame; among its children a dialog bar
// of class "Zorvel DialogBar" whose first child (the page) holds the
// block-size box, a COMBOBOX with ID 110; and frame > client > document >
// view, so that the view's third ancestor is the frame. The view forwards
// its own mouse and key messages to the pen with their real wParam and the
// cursor in canvas pixels. The pen reads the block size from the box itself.
//
// Layout, in the frame's client area (the GUI test aims by these): the tool
// bar is kToolbarHeight high, then the dialog bar kBarHeight high; the
// document starts below them at the left edge, the palette grid is at the
// right. Within the page the block-size box is at (kBoxX, kRowY).
//
// Exit status: 0; 1 when the recording could not be written; 2 bad usage or
// a pen that does not load or lacks an export (a message box says which).
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "editor_model.h"
#include "files.h"
#include "palette.h"
#include "pen_library.h"
#include "picture_files.h"
#include "recorder.h"
#include "script.h"
#include "wide_text.h"
#include "zorvel_windows.h"

namespace {

constexpr int kExitRecordingLost = 1;
constexpr int kExitBadUsage = 2;

constexpr int kToolbarHeight = 30;
constexpr int kBarHeight = 64;
constexpr int kRowY = 6, kRow2Y = 36;
constexpr int kBoxX = 50;
constexpr int kPaletteCell = 10;
constexpr int kPaletteWidth = 16 * kPaletteCell + 12;
constexpr int kMaxZoom = 32;
constexpr int kMaxGuiBrush = 64;
constexpr std::size_t kHistoryBytes = std::size_t{256} << 20;

// Controls of the dialog bar's page (the block-size box is 110).
enum : int {
  kCustomSizeEdit = 111,
  kAddSizeButton,
  kToneSlider = 120,
  kToneNumber,
  kPrimarySwatch = 130,
  kSecondarySwatch,
  kBrushShape = 140,
  kBrushSize,
  kBrushSpin,
  kMaskSwitch = 150,
  kProtectSwitch,
  kProtectIndex,
  kZoomBox = 160,
  kGridSwitch,
  kToolButton = 170,
};

// Menu commands.
enum : int {
  kNew = 1000,
  kOpen,
  kSaveAs,
  kLoadPalette,
  kDefaultPalette,
  kSaveRecording,
  kExit,
  kUndo,
  kRedo,
  kAbout,
};

const char* const kUsualSizes[] = {"1x1 pixel",  "2x2 pixels", "3x2 pixels",  "4x2 pixels",
                                   "4x4 pixels", "8x8 pixels", "16x16 pixels"};
const int kZooms[] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};

struct Options {
  std::string pen;
  int32_t width = 64, height = 48;
  int zoom = 8;
  std::string blocks = "3x2 pixels";
  int32_t tone = 0;
  uint32_t primary = kDefaultPrimary, secondary = kDefaultSecondary;
  bool round = false;
  int32_t brushSide = 1;
  std::string record;
};

int floorDiv(int v, int d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

class App {
 public:
  bool start(HINSTANCE instance, const Options& options, std::string& error);
  int exitStatus() const { return exitStatus_; }

  LRESULT frame(HWND, UINT, WPARAM, LPARAM);
  LRESULT view(HWND, UINT, WPARAM, LPARAM);
  LRESULT document(HWND, UINT, WPARAM, LPARAM);
  LRESULT paletteGrid(HWND, UINT, WPARAM, LPARAM);
  HWND frameWindow() const { return frame_; }
  HACCEL accelerators() const { return accelerators_; }

 private:
  void buildControls();
  void buildMenu();
  void layout();
  void updateScroll();
  void command(int id, int notification);
  void penMessage(UINT message, WPARAM wParam, LPARAM lParam);
  PenInputs inputs() const;
  std::string selectedItem(bool& selected) const;
  void applyInputs(const PenInputs& in);
  void repaintChanged();
  void repaintAll();
  void showStatus();
  void paintView(HDC dc);
  void setCanvas(int32_t w, int32_t h, uint8_t fill);
  void newCanvasDialog();
  void openCanvas();
  void saveCanvasAs();
  void loadPalette();
  bool writeRecording(const std::string& path);
  void saveRecordingAs();
  void about();
  void history(bool undo);
  std::string askFileName(bool save, const wchar_t* filter, const wchar_t* extension);

  HINSTANCE instance_ = nullptr;
  PenLibrary pen_;
  PenInfo info_{};
  HWND frame_ = nullptr, toolbar_ = nullptr, bar_ = nullptr, page_ = nullptr, box_ = nullptr;
  HWND client_ = nullptr, document_ = nullptr, view_ = nullptr, palette_ = nullptr;
  HWND status_ = nullptr, tone_ = nullptr, toneNumber_ = nullptr, swatch_[2] = {};
  HWND shape_ = nullptr, brushSize_ = nullptr, mask_ = nullptr, protect_ = nullptr;
  HWND protectIndex_ = nullptr, zoomBox_ = nullptr, grid_ = nullptr, custom_ = nullptr;
  HBITMAP buttonBitmap_ = nullptr;
  HACCEL accelerators_ = nullptr;
  EditorModel* model_ = nullptr;
  Recorder recorder_;
  std::string recordPath_;
  int zoom_ = 8;
  int scrollX_ = 0, scrollY_ = 0;
  bool protectApplied_ = false;                  // the mask was last built to protect a colour
  int64_t strokeBlockW_ = 1, strokeBlockH_ = 1;  // latched at the press, as the pen does
  std::string lastItem_;  // the text the pen read last, for an empty selection
  int exitStatus_ = 0;
};

App* theApp = nullptr;

LRESULT CALLBACK frameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return theApp ? theApp->frame(w, m, wp, lp) : DefWindowProcW(w, m, wp, lp);
}
LRESULT CALLBACK viewProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return theApp ? theApp->view(w, m, wp, lp) : DefWindowProcW(w, m, wp, lp);
}
LRESULT CALLBACK documentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return theApp ? theApp->document(w, m, wp, lp) : DefWindowProcW(w, m, wp, lp);
}
LRESULT CALLBACK paletteProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return theApp ? theApp->paletteGrid(w, m, wp, lp) : DefWindowProcW(w, m, wp, lp);
}
// Panes between the frame and its controls pass the controls' notifications
// up to the frame, as a dialog bar does.
LRESULT CALLBACK paneProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_NOTIFY:
    case WM_DRAWITEM:
      if (theApp) return SendMessageW(theApp->frameWindow(), m, wp, lp);
      break;
    default:
      break;
  }
  return DefWindowProcW(w, m, wp, lp);
}

// Unicode windows, so that titles and texts reach them as wide characters.
void registerClass(const char* name, WNDPROC proc, HBRUSH background, HCURSOR cursor) {
  const std::wstring wideName = widened(name);
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = wideName.c_str();
  wc.hbrBackground = background;
  wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  RegisterClassW(&wc);
}

HWND control(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w,
             int h, int id) {
  HWND hwnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return hwnd;
}

std::string windowText(HWND hwnd) {
  char text[64] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

int32_t numberIn(HWND hwnd, int32_t low, int32_t high, int32_t fallback) {
  const std::string text = windowText(hwnd);
  if (text.empty() || text.size() > 9) return fallback;
  for (char c : text)
    if (c < '0' || c > '9') return fallback;
  const int32_t v = std::stoi(text);
  return v < low ? low : v > high ? high : v;
}

bool App::start(HINSTANCE instance, const Options& options, std::string& error) {
  instance_ = instance;
  if (!pen_.load(options.pen, error)) return false;
  if (pen_.getInfo(&info_) != 1) {
    error = options.pen + ": _ZVGetInfo did not return 1";
    return false;
  }
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  registerClass("Zorvel Frame", frameProc, face, nullptr);
  registerClass("Zorvel Pane", paneProc, face, nullptr);
  registerClass(zorvel_windows::kDialogBarClass, paneProc, face, nullptr);
  registerClass("Zorvel Document", documentProc, GetSysColorBrush(COLOR_APPWORKSPACE), nullptr);
  registerClass("Zorvel View", viewProc, nullptr, LoadCursorW(nullptr, MAKEINTRESOURCEW(32515)));
  registerClass("Zorvel Palette", paletteProc, face, nullptr);

  zoom_ = options.zoom;
  recordPath_ = options.record;
  const std::wstring title =
      widened(utf8FromCodePage(932, info_.name ? info_.name : "pen")) + L" - Zorvel stand-in";
  frame_ =
      CreateWindowExW(0, L"Zorvel Frame", title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (!frame_) {
    error = "cannot create the editor's window (under Wine a display or the null driver is needed)";
    return false;
  }
  buildMenu();
  buildControls();

  static EditorModel model(pen_, view_);
  model_ = &model;
  PenInputs in;
  in.blocks = options.blocks;
  in.tone = options.tone;
  in.primary = options.primary;
  in.secondary = options.secondary;
  in.roundBrush = options.round;
  in.brushSide = options.brushSide;
  applyInputs(in);
  setCanvas(options.width, options.height, 0);

  ShowWindow(frame_, SW_SHOW);
  layout();
  UpdateWindow(frame_);
  SetFocus(view_);
  return true;
}

void App::buildMenu() {
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kNew, L"&New canvas...");
  AppendMenuW(file, MF_STRING, kOpen, L"&Open BMP...");
  AppendMenuW(file, MF_STRING, kSaveAs, L"&Save as BMP or PNG...");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kLoadPalette, L"Load &palette (JASC-PAL)...");
  AppendMenuW(file, MF_STRING, kDefaultPalette, L"&Default palette");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kSaveRecording, L"Save &recording...");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kExit, L"E&xit");
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_STRING, kUndo, L"&Undo\tCtrl+Z");
  AppendMenuW(edit, MF_STRING, kRedo, L"&Redo\tCtrl+Y");
  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, kAbout, L"&About the pen...");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  SetMenu(frame_, bar);
  ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'Z', kUndo}, {FVIRTKEY | FCONTROL, 'Y', kRedo}};
  accelerators_ = CreateAcceleratorTableW(keys, 2);
}

void App::buildControls() {
  // The frame's children, in the editor's order: a tool bar, the dialog bar.
  toolbar_ = control(frame_, "Zorvel Pane", "", WS_CLIPCHILDREN, 0, 0, 10, kToolbarHeight, 0);
  HWND button =
      control(toolbar_, "BUTTON", "", BS_PUSHBUTTON | BS_BITMAP, 3, 2, 26, 26, kToolButton);
  buttonBitmap_ = static_cast<HBITMAP>(
      LoadImageA(pen_.module(), "PEN_BUTTON", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (buttonBitmap_)
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(buttonBitmap_));
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                             frame_, nullptr, instance_, nullptr);
  static std::wstring tipText;
  tipText = widened(utf8FromCodePage(932, info_.name ? info_.name : ""));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = toolbar_;
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = &tipText[0];
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

  bar_ = control(frame_, zorvel_windows::kDialogBarClass, "", WS_CLIPCHILDREN, 0, kToolbarHeight,
                 10, kBarHeight, 0);
  page_ = control(bar_, "Zorvel Pane", "", WS_CLIPCHILDREN, 0, 0, 2000, kBarHeight, 0);
  control(page_, "STATIC", "Blocks", 0, 6, kRowY + 3, 42, 18, 109);
  box_ = control(page_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kBoxX, kRowY,
                 110, 220, zorvel_windows::kBlockSizeBoxId);
  for (const char* item : kUsualSizes)
    SendMessageA(box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  custom_ = control(page_, "EDIT", "5x3 pixels", WS_BORDER | ES_AUTOHSCROLL, 166, kRowY, 80, 22,
                    kCustomSizeEdit);
  control(page_, "BUTTON", "Add size", BS_PUSHBUTTON, 250, kRowY, 64, 22, kAddSizeButton);
  control(page_, "STATIC", "Tone", 0, 326, kRowY + 3, 30, 18, 0);
  tone_ = control(page_, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_AUTOTICKS, 356, kRowY - 2, 150, 28,
                  kToneSlider);
  SendMessageA(tone_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 16));
  toneNumber_ = control(page_, "STATIC", "0", 0, 508, kRowY + 3, 24, 18, kToneNumber);
  control(page_, "STATIC", "Colours", 0, 538, kRowY + 3, 44, 18, 0);
  swatch_[0] = control(page_, "STATIC", "", SS_OWNERDRAW, 584, kRowY, 22, 22, kPrimarySwatch);
  swatch_[1] = control(page_, "STATIC", "", SS_OWNERDRAW, 610, kRowY, 22, 22, kSecondarySwatch);

  control(page_, "STATIC", "Brush", 0, 6, kRow2Y + 3, 42, 18, 0);
  shape_ = control(page_, "COMBOBOX", "", CBS_DROPDOWNLIST, kBoxX, kRow2Y, 70, 100, kBrushShape);
  SendMessageA(shape_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("square"));
  SendMessageA(shape_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("round"));
  brushSize_ = control(page_, "EDIT", "1", WS_BORDER | ES_NUMBER, 124, kRow2Y, 40, 22, kBrushSize);
  HWND spin = control(page_, UPDOWN_CLASSA, "",
                      UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0,
                      0, kBrushSpin);
  SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(brushSize_), 0);
  SendMessageA(spin, UDM_SETRANGE32, 1, kMaxGuiBrush);
  mask_ = control(page_, "BUTTON", "Mask", BS_AUTOCHECKBOX, 184, kRow2Y, 56, 22, kMaskSwitch);
  protect_ = control(page_, "BUTTON", "Protect colour", BS_AUTOCHECKBOX, 244, kRow2Y, 100, 22,
                     kProtectSwitch);
  protectIndex_ =
      control(page_, "EDIT", "0", WS_BORDER | ES_NUMBER, 346, kRow2Y, 36, 22, kProtectIndex);
  control(page_, "STATIC", "Zoom", 0, 396, kRow2Y + 3, 34, 18, 0);
  zoomBox_ =
      control(page_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 432, kRow2Y, 60, 220, kZoomBox);
  for (int z : kZooms) {
    const std::string text = std::to_string(z) + "x";
    const LRESULT i =
        SendMessageA(zoomBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (z == zoom_) SendMessageA(zoomBox_, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
  grid_ = control(page_, "BUTTON", "Grid", BS_AUTOCHECKBOX, 504, kRow2Y, 50, 22, kGridSwitch);

  palette_ =
      control(frame_, "Zorvel Palette", "", 0, 0, 0, kPaletteWidth, 16 * kPaletteCell + 12, 0);
  // frame > client > document > view: the view's third ancestor is the frame.
  client_ = control(frame_, "Zorvel Pane", "", WS_CLIPCHILDREN, 0, 0, 10, 10, 0);
  document_ = control(client_, "Zorvel Document", "", WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN, 0,
                      0, 10, 10, 0);
  view_ = control(document_, "Zorvel View", "", 0, 0, 0, 10, 10, 0);
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                            0, 0, 0, frame_, nullptr, instance_, nullptr);
  const int parts[] = {110, 260, 330, 440, -1};
  SendMessageW(status_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(parts));
}

void App::layout() {
  RECT r;
  GetClientRect(frame_, &r);
  SendMessageW(status_, WM_SIZE, 0, 0);
  RECT s;
  GetWindowRect(status_, &s);
  const int statusHeight = s.bottom - s.top;
  const int top = kToolbarHeight + kBarHeight;
  MoveWindow(toolbar_, 0, 0, r.right, kToolbarHeight, TRUE);
  MoveWindow(bar_, 0, kToolbarHeight, r.right, kBarHeight, TRUE);
  const int left = std::max(0, static_cast<int>(r.right) - kPaletteWidth);
  MoveWindow(palette_, left, top, kPaletteWidth,
             std::max(0, static_cast<int>(r.bottom) - top - statusHeight), TRUE);
  const int h = std::max(0, static_cast<int>(r.bottom) - top - statusHeight);
  MoveWindow(client_, 0, top, left, h, TRUE);
  MoveWindow(document_, 0, 0, left, h, TRUE);
  updateScroll();
}

void App::updateScroll() {
  if (!model_) return;
  RECT r;
  GetClientRect(document_, &r);
  const int w = model_->canvas().width() * zoom_, h = model_->canvas().height() * zoom_;
  scrollX_ = std::max(0, std::min(scrollX_, w - static_cast<int>(r.right)));
  scrollY_ = std::max(0, std::min(scrollY_, h - static_cast<int>(r.bottom)));
  SCROLLINFO si{
      sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, 0, w - 1, static_cast<UINT>(r.right), scrollX_, 0};
  SetScrollInfo(document_, SB_HORZ, &si, TRUE);
  si.nMax = h - 1;
  si.nPage = static_cast<UINT>(r.bottom);
  si.nPos = scrollY_;
  SetScrollInfo(document_, SB_VERT, &si, TRUE);
  MoveWindow(view_, -scrollX_, -scrollY_, w, h, TRUE);
}

std::string App::selectedItem(bool& selected) const {
  const LRESULT i = SendMessageA(box_, CB_GETCURSEL, 0, 0);
  selected = i != CB_ERR;
  if (!selected) return std::string();
  const LRESULT n = SendMessageA(box_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
  std::string text(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, '\0');
  SendMessageA(box_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(n, 0)));
  return text;
}

PenInputs App::inputs() const {
  PenInputs in;
  in.blocks = selectedItem(in.blocksSelected);
  in.tone = static_cast<int32_t>(SendMessageA(tone_, TBM_GETPOS, 0, 0));
  in.primary = model_->primary();
  in.secondary = model_->secondary();
  in.roundBrush = SendMessageA(shape_, CB_GETCURSEL, 0, 0) == 1;
  in.brushSide = numberIn(brushSize_, 1, kMaxGuiBrush, 1);
  in.maskOn = Button_GetCheck(mask_) == BST_CHECKED;
  return in;
}

// Sets the controls (and the model) to `in`.
void App::applyInputs(const PenInputs& in) {
  if (in.blocksSelected)
    zorvel_windows::selectItem(box_, in.blocks);
  else
    SendMessageA(box_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageA(tone_, TBM_SETPOS, TRUE, in.tone);
  SetWindowTextA(toneNumber_, std::to_string(in.tone).c_str());
  model_->setColours(in.primary, in.secondary);
  SendMessageA(shape_, CB_SETCURSEL, in.roundBrush ? 1 : 0, 0);
  SetWindowTextA(brushSize_, std::to_string(in.brushSide).c_str());
  Button_SetCheck(mask_, in.maskOn ? BST_CHECKED : BST_UNCHECKED);
  InvalidateRect(swatch_[0], nullptr, TRUE);
  InvalidateRect(swatch_[1], nullptr, TRUE);
}

void App::setCanvas(int32_t w, int32_t h, uint8_t fill) {
  model_->newCanvas(w, h, fill);
  recorder_.canvas(w, h, fill);
  Button_SetCheck(mask_, BST_UNCHECKED);  // a new canvas starts with the mask off
  protectApplied_ = false;
  scrollX_ = scrollY_ = 0;
  updateScroll();
  repaintAll();
}

// One message from the view to the pen, as the editor sends it.
void App::penMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int32_t x = floorDiv(GET_X_LPARAM(lParam), zoom_);
  const int32_t y = floorDiv(GET_Y_LPARAM(lParam), zoom_);
  const bool shift = (wParam & MK_SHIFT) != 0;
  const bool mouse = message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
  const int32_t px = mouse ? x : 0, py = mouse ? y : 0;

  const PenInputs in = inputs();
  model_->setTone(in.tone);
  model_->setBrush(in.roundBrush ? roundBrush(in.brushSide) : squareBrush(in.brushSide));
  model_->setMaskOn(in.maskOn);
  switch (message) {
    case WM_LBUTTONDOWN: {
      recorder_.inputs(in);
      // Protecting a colour: the mask as the canvas is now, at each press.
      const bool protect = Button_GetCheck(protect_) == BST_CHECKED;
      if (protect || protectApplied_) {
        model_->maskClear();
        recorder_.maskClear();
      }
      if (protect) {
        const auto index = static_cast<uint8_t>(numberIn(protectIndex_, 0, 255, 0));
        model_->maskColour(index);
        recorder_.maskColour(index);
      }
      protectApplied_ = protect;
      bool selected = false;
      const std::string item = selectedItem(selected);
      if (selected) lastItem_ = item;
      penBlockSize(lastItem_, strokeBlockW_, strokeBlockH_);
      model_->beginStroke(true);
      model_->limitHistory(kHistoryBytes);
      recorder_.press(px, py, shift);
      break;
    }
    case WM_MOUSEMOVE:
      recorder_.inputs(in);
      if (wParam & MK_LBUTTON)
        recorder_.drag(px, py, shift);
      else
        recorder_.move(px, py);
      break;
    case WM_LBUTTONUP:
      recorder_.inputs(in);
      recorder_.release(px, py);
      break;
    case WM_RBUTTONDOWN:
      recorder_.inputs(in);
      recorder_.pick(px, py, shift);
      break;
    default:
      break;  // messages the pen receives and ignores; the script has no words for them
  }
  model_->send(message, wParam, px, py);
  if (model_->picked()) {
    recorder_.pickedColours(model_->primary(), model_->secondary());
    InvalidateRect(swatch_[0], nullptr, TRUE);
    InvalidateRect(swatch_[1], nullptr, TRUE);
    InvalidateRect(palette_, nullptr, FALSE);
  }
  if (model_->drew()) repaintChanged();
  showStatus();
}

// The changed rectangle, widened by a block each way: blocks reach beyond
// the brush rectangle by up to a block less one pixel.
void App::repaintChanged() {
  const int32_t* c = model_->changed();
  const int64_t w = model_->canvas().width(), h = model_->canvas().height();
  const int64_t left = std::max<int64_t>(0, c[0] - strokeBlockW_);
  const int64_t top = std::max<int64_t>(0, c[1] - strokeBlockH_);
  const int64_t right = std::min<int64_t>(w, c[2] + strokeBlockW_);
  const int64_t bottom = std::min<int64_t>(h, c[3] + strokeBlockH_);
  if (left >= right || top >= bottom) return;
  RECT r{static_cast<LONG>(left * zoom_), static_cast<LONG>(top * zoom_),
         static_cast<LONG>(right * zoom_), static_cast<LONG>(bottom * zoom_)};
  InvalidateRect(view_, &r, FALSE);
}

void App::repaintAll() {
  InvalidateRect(view_, nullptr, FALSE);
  InvalidateRect(palette_, nullptr, FALSE);
  InvalidateRect(swatch_[0], nullptr, TRUE);
  InvalidateRect(swatch_[1], nullptr, TRUE);
  showStatus();
}

void App::showStatus() {
  bool selected = false;
  const std::string item = selectedItem(selected);
  const int32_t* c = model_->changed();
  const std::string texts[] = {
      "", "blocks: " + (selected ? item : std::string("(none)")),
      "tone " + std::to_string(SendMessageA(tone_, TBM_GETPOS, 0, 0)),
      "colours " + std::to_string(model_->primary()) + " / " + std::to_string(model_->secondary()),
      "changed " + std::to_string(c[0]) + ", " + std::to_string(c[1]) + " - " +
          std::to_string(c[2]) + ", " + std::to_string(c[3])};
  for (int i = 1; i < 5; ++i)
    SendMessageA(status_, SB_SETTEXTA, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(texts[i].c_str()));
}

void App::paintView(HDC dc) {
  const Bitmap& canvas = model_->canvas();
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header = canvas.header;
  info.header.biClrUsed = 256;
  for (int i = 0; i < 256; ++i) {
    const Rgb& rgb = model_->palette().colours[static_cast<std::size_t>(i)];
    info.colours[i] = RGBQUAD{rgb.blue, rgb.green, rgb.red, 0};
  }
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, 0, 0, canvas.width() * zoom_, canvas.height() * zoom_, 0, 0, canvas.width(),
                canvas.height(), canvas.bits.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS, SRCCOPY);
  if (Button_GetCheck(grid_) != BST_CHECKED) return;
  // The block grid over the view, never into the canvas.
  bool selected = false;
  std::string item = selectedItem(selected);
  if (!selected) item = lastItem_;
  int64_t bw = 1, bh = 1;
  penBlockSize(item, bw, bh);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 255));
  HGDIOBJ old = SelectObject(dc, pen);
  const int64_t w = int64_t{canvas.width()} * zoom_, h = int64_t{canvas.height()} * zoom_;
  if (bw * zoom_ >= 4)
    for (int64_t x = bw * zoom_; x < w; x += bw * zoom_) {
      MoveToEx(dc, static_cast<int>(x), 0, nullptr);
      LineTo(dc, static_cast<int>(x), static_cast<int>(h));
    }
  if (bh * zoom_ >= 4)
    for (int64_t y = bh * zoom_; y < h; y += bh * zoom_) {
      MoveToEx(dc, 0, static_cast<int>(y), nullptr);
      LineTo(dc, static_cast<int>(w), static_cast<int>(y));
    }
  SelectObject(dc, old);
  DeleteObject(pen);
}

LRESULT App::view(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paintView(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      SetCapture(hwnd);  // a drag may leave the canvas and the window
      penMessage(m, wp, lp);
      return 0;
    case WM_LBUTTONUP:
      penMessage(m, wp, lp);
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_MOUSEMOVE: {
      const std::string where = std::to_string(floorDiv(GET_X_LPARAM(lp), zoom_)) + ", " +
                                std::to_string(floorDiv(GET_Y_LPARAM(lp), zoom_));
      SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(where.c_str()));
      penMessage(m, wp, lp);
      return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      penMessage(m, wp, lp);
      return 0;
    default:
      return DefWindowProcW(hwnd, m, wp, lp);
  }
}

LRESULT App::document(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_HSCROLL || m == WM_VSCROLL) {
    const int bar = m == WM_HSCROLL ? SB_HORZ : SB_VERT;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd, bar, &si);
    int pos = si.nPos;
    switch (LOWORD(wp)) {
      case SB_LINEUP:
        pos -= zoom_ * 4;
        break;
      case SB_LINEDOWN:
        pos += zoom_ * 4;
        break;
      case SB_PAGEUP:
        pos -= static_cast<int>(si.nPage);
        break;
      case SB_PAGEDOWN:
        pos += static_cast<int>(si.nPage);
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        pos = si.nTrackPos;
        break;
      default:
        break;
    }
    (bar == SB_HORZ ? scrollX_ : scrollY_) = pos;
    updateScroll();
    return 0;
  }
  if (m == WM_SIZE) updateScroll();
  return DefWindowProcW(hwnd, m, wp, lp);
}

LRESULT App::paletteGrid(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
      for (int i = 0; i < 256; ++i) {
        const Rgb& c = model_->palette().colours[static_cast<std::size_t>(i)];
        HBRUSH brush = CreateSolidBrush(RGB(c.red, c.green, c.blue));
        RECT r{6 + (i % 16) * kPaletteCell, 6 + (i / 16) * kPaletteCell,
               6 + (i % 16 + 1) * kPaletteCell, 6 + (i / 16 + 1) * kPaletteCell};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        if (static_cast<uint32_t>(i) == (model_->primary() & 0xFF) ||
            static_cast<uint32_t>(i) == (model_->secondary() & 0xFF))
          FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      // Left click sets the primary colour, right click the secondary.
      const int cx = (GET_X_LPARAM(lp) - 6) / kPaletteCell,
                cy = (GET_Y_LPARAM(lp) - 6) / kPaletteCell;
      if (GET_X_LPARAM(lp) < 6 || GET_Y_LPARAM(lp) < 6 || cx > 15 || cy > 15) return 0;
      const auto index = static_cast<uint32_t>(cy * 16 + cx);
      if (m == WM_LBUTTONDOWN)
        model_->setColours(index, model_->secondary());
      else
        model_->setColours(model_->primary(), index);
      repaintAll();
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, m, wp, lp);
  }
}

std::string App::askFileName(bool save, const wchar_t* filter, const wchar_t* extension) {
  wchar_t name[MAX_PATH] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = frame_;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = extension;
  ofn.Flags = save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST;
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  return ok ? narrowed(name) : std::string();
}

void message(HWND owner, const std::string& text, UINT icon = MB_ICONERROR) {
  MessageBoxW(owner, widened(text).c_str(), L"Zorvel stand-in", MB_OK | icon);
}

void App::openCanvas() {
  const std::string path = askFileName(false, L"8-bit BMP\0*.bmp\0All files\0*.*\0", L"bmp");
  if (path.empty()) return;
  std::vector<uint8_t> bytes;
  std::string error;
  IndexedImage image;
  if (!readFile(path, kMaxPictureFileBytes, bytes, error) ||
      !readIndexedBmp(bytes, kMaxCanvasSide, image, error)) {
    message(frame_, path + ": " + error);
    return;
  }
  model_->loadCanvas(image);
  recorder_.canvasLoad(bytes);
  Button_SetCheck(mask_, BST_UNCHECKED);
  protectApplied_ = false;
  scrollX_ = scrollY_ = 0;
  updateScroll();
  repaintAll();
}

void App::saveCanvasAs() {
  const std::string path =
      askFileName(true, L"8-bit BMP\0*.bmp\0PNG, 4 times enlarged\0*.png\0", L"bmp");
  if (path.empty()) return;
  const IndexedCanvas canvas = model_->canvas().indexed();
  const bool png = path.size() > 4 && (path.compare(path.size() - 4, 4, ".png") == 0 ||
                                       path.compare(path.size() - 4, 4, ".PNG") == 0);
  std::string error;
  if (png &&
      int64_t{canvas.width} * canvas.height * kDefaultScale * kDefaultScale > kMaxColourPixels) {
    message(frame_, "the canvas is too large for a PNG 4 times enlarged; save it as BMP");
    return;
  }
  const std::vector<uint8_t> bytes =
      png ? pngBytes(colourPicture(canvas, model_->palette(), kDefaultScale))
          : indexedBmp(canvas, model_->palette());
  if (!writeWhole(path, bytes, error)) message(frame_, error);
}

void App::loadPalette() {
  const std::string path = askFileName(false, L"JASC-PAL\0*.pal\0All files\0*.*\0", L"pal");
  if (path.empty()) return;
  std::vector<uint8_t> bytes;
  std::string error;
  Palette palette;
  if (!readFile(path, kMaxPaletteFileBytes, bytes, error) ||
      !parseJascPalette(path, bytes, palette, error)) {
    message(frame_, path + ": " + error);
    return;
  }
  model_->setPalette(palette);
  recorder_.palette(bytes);
  repaintAll();
}

bool App::writeRecording(const std::string& path) {
  std::string error;
  const std::vector<uint8_t> bmp = indexedBmp(model_->canvas().indexed(), model_->palette());
  if (recorder_.write(path, bmp, error)) return true;
  message(frame_, "the recording was not written: " + error);
  return false;
}

void App::saveRecordingAs() {
  const std::string path = askFileName(true, L"Stroke script\0*.strokes\0", L"strokes");
  if (path.empty()) return;
  if (writeRecording(path)) recordPath_ = path;  // and again when the window closes
}

void App::about() {
  auto wide = [](const char* text) { return widened(utf8FromCodePage(932, text ? text : "")); };
  const std::wstring text = wide(info_.name) + L"\nversion " + wide(info_.version) + L"\n" +
                            wide(info_.copyright) + L"\n\n" + wide(info_.description);
  MessageBoxW(frame_, text.c_str(), L"About the pen", MB_OK | MB_ICONINFORMATION);
}

void App::history(bool undo) {
  if (undo ? !model_->canUndo() : !model_->canRedo()) return;
  if (undo) {
    model_->undo(true);
    recorder_.undo();
  } else {
    model_->redo(true);
    recorder_.redo();
  }
  repaintAll();
}

// A small modal window for the size and fill of a new canvas.
void App::newCanvasDialog() {
  HWND box = CreateWindowExW(WS_EX_DLGMODALFRAME, L"Zorvel Pane", L"New canvas",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 120, 120, 260, 150,
                             frame_, nullptr, instance_, nullptr);
  control(box, "STATIC", "Width", 0, 10, 12, 60, 18, 0);
  HWND w = control(box, "EDIT", std::to_string(model_->canvas().width()).c_str(),
                   WS_BORDER | ES_NUMBER, 80, 10, 60, 22, 1);
  control(box, "STATIC", "Height", 0, 10, 40, 60, 18, 0);
  HWND h = control(box, "EDIT", std::to_string(model_->canvas().height()).c_str(),
                   WS_BORDER | ES_NUMBER, 80, 38, 60, 22, 2);
  control(box, "STATIC", "Fill index", 0, 10, 68, 60, 18, 0);
  HWND f = control(box, "EDIT", "0", WS_BORDER | ES_NUMBER, 80, 66, 60, 22, 3);
  HWND ok = control(box, "BUTTON", "OK", BS_DEFPUSHBUTTON, 160, 10, 70, 24, IDOK);
  HWND cancel = control(box, "BUTTON", "Cancel", BS_PUSHBUTTON, 160, 40, 70, 24, IDCANCEL);
  EnableWindow(frame_, FALSE);
  int result = 0;
  MSG msg;
  while (result == 0 && IsWindow(box) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_LBUTTONUP && (msg.hwnd == ok || msg.hwnd == cancel)) {
      result = msg.hwnd == ok ? IDOK : IDCANCEL;
    } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
      result = IDOK;
    } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      result = IDCANCEL;
    }
    if (!IsDialogMessageW(box, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  const int32_t width = numberIn(w, 1, kMaxCanvasSide, model_->canvas().width());
  const int32_t height = numberIn(h, 1, kMaxCanvasSide, model_->canvas().height());
  const auto fill = static_cast<uint8_t>(numberIn(f, 0, 255, 0));
  EnableWindow(frame_, TRUE);
  if (IsWindow(box)) DestroyWindow(box);
  SetActiveWindow(frame_);
  if (result == IDOK) setCanvas(width, height, fill);
}

void App::command(int id, int notification) {
  switch (id) {
    case kNew:
      newCanvasDialog();
      break;
    case kOpen:
      openCanvas();
      break;
    case kSaveAs:
      saveCanvasAs();
      break;
    case kLoadPalette:
      loadPalette();
      break;
    case kDefaultPalette:
      model_->setPalette(::defaultPalette());
      recorder_.defaultPalette();
      repaintAll();
      break;
    case kSaveRecording:
      saveRecordingAs();
      break;
    case kExit:
      SendMessageW(frame_, WM_CLOSE, 0, 0);
      break;
    case kUndo:
      history(true);
      break;
    case kRedo:
      history(false);
      break;
    case kAbout:
    case kToolButton:
      if (id == kAbout || notification == BN_CLICKED) about();
      break;
    case kAddSizeButton: {
      // A size of one's own: printable ASCII, as the pen reads it.
      std::string text = windowText(custom_);
      bool printable =
          !text.empty() && text != "none" && text.find_first_not_of(' ') != std::string::npos;
      for (char c : text) printable = printable && c >= 0x20 && c < 0x7F;
      if (!printable) {
        message(frame_, "a block size is printable text such as '5x3 pixels'");
        break;
      }
      zorvel_windows::selectItem(box_, text);
      showStatus();
      InvalidateRect(view_, nullptr, FALSE);
      break;
    }
    case zorvel_windows::kBlockSizeBoxId:
      if (notification == CBN_SELCHANGE) {
        showStatus();
        if (Button_GetCheck(grid_) == BST_CHECKED) InvalidateRect(view_, nullptr, FALSE);
      }
      if (notification == CBN_CLOSEUP) SetFocus(view_);
      break;
    case kZoomBox:
      if (notification == CBN_SELCHANGE) {
        const LRESULT i = SendMessageA(zoomBox_, CB_GETCURSEL, 0, 0);
        if (i >= 0 && i < static_cast<LRESULT>(sizeof kZooms / sizeof kZooms[0])) {
          zoom_ = kZooms[i];
          updateScroll();
          InvalidateRect(view_, nullptr, FALSE);
        }
      }
      break;
    case kGridSwitch:
      InvalidateRect(view_, nullptr, FALSE);
      break;
    case kProtectSwitch:
      // Protection works through the mask, so it turns the mask on.
      if (Button_GetCheck(protect_) == BST_CHECKED) Button_SetCheck(mask_, BST_CHECKED);
      break;
    default:
      break;
  }
}

LRESULT App::frame(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_SIZE:
      if (status_) layout();
      return 0;
    case WM_COMMAND:
      command(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lp) == tone_) {
        SetWindowTextA(toneNumber_, std::to_string(SendMessageA(tone_, TBM_GETPOS, 0, 0)).c_str());
        showStatus();
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlID == kPrimarySwatch || item->CtlID == kSecondarySwatch) {
        const uint32_t index =
            (item->CtlID == kPrimarySwatch ? model_->primary() : model_->secondary()) & 0xFF;
        const Rgb& c = model_->palette().colours[index];
        HBRUSH brush = CreateSolidBrush(RGB(c.red, c.green, c.blue));
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
        FrameRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      if (!recordPath_.empty() && !writeRecording(recordPath_)) exitStatus_ = kExitRecordingLost;
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(exitStatus_);
      return 0;
    default:
      return DefWindowProcW(hwnd, m, wp, lp);
  }
}

const char kUsage[] =
    "usage: standin-gui [PEN.dll] [--canvas W H] [--zoom N] [--blocks TEXT] [--tone N]\n"
    "                   [--colours P S] [--brush square|round N] [--record FILE.strokes]";

bool number(const std::string& text, int32_t low, int32_t high, int32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t j = i; j < text.size(); ++j)
    if (text[j] < '0' || text[j] > '9') return false;
  const long long v = std::stoll(text);
  if (v < low || v > high) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// Reads the command line; false with `error` on bad usage.
bool parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::size_t k) -> const std::string* {
      return i + k < args.size() ? &args[i + k] : nullptr;
    };
    int32_t v1 = 0, v2 = 0;
    if (a == "--canvas" && value(2) && number(*value(1), 1, kMaxCanvasSide, v1) &&
        number(*value(2), 1, kMaxCanvasSide, v2)) {
      o.width = v1, o.height = v2, i += 2;
    } else if (a == "--zoom" && value(1) && number(*value(1), 1, kMaxZoom, v1)) {
      o.zoom = v1, i += 1;
      bool listed = false;
      for (int z : kZooms) listed = listed || z == v1;
      if (!listed) {
        error = "--zoom takes one of 1, 2, 3, 4, 6, 8, 12, 16, 24, 32";
        return false;
      }
    } else if (a == "--blocks" && value(1) && !value(1)->empty()) {
      o.blocks = *value(1), i += 1;
    } else if (a == "--tone" && value(1) && number(*value(1), 0, 16, v1)) {
      o.tone = v1, i += 1;
    } else if (a == "--colours" && value(2) && number(*value(1), 0, 255, v1) &&
               number(*value(2), 0, 255, v2)) {
      o.primary = static_cast<uint32_t>(v1), o.secondary = static_cast<uint32_t>(v2), i += 2;
    } else if (a == "--brush" && value(2) && (*value(1) == "square" || *value(1) == "round") &&
               number(*value(2), 1, kMaxGuiBrush, v1)) {
      o.round = *value(1) == "round", o.brushSide = v1, i += 2;
    } else if (a == "--record" && value(1) && !value(1)->empty()) {
      o.record = *value(1), i += 1;
    } else if (a.rfind("--", 0) != 0 && o.pen.empty()) {
      o.pen = a;
    } else {
      error = "cannot use " + a + " here";
      return false;
    }
  }
  return true;
}

// The folder of this program, with its separator.
std::string programFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string p = narrowed(path);
  const std::size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

int run(HINSTANCE instance) {
  const std::vector<std::string> args = commandLineArguments();
  Options options;
  std::string error;
  if (!parse(args, options, error)) {
    message(nullptr, error + "\n\n" + kUsage);
    return kExitBadUsage;
  }
  if (options.pen.empty()) options.pen = programFolder() + "Tessaly.dll";
  static App app;
  theApp = &app;
  if (!app.start(instance, options, error)) {
    message(nullptr, error);
    return kExitBadUsage;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(app.frameWindow(), app.accelerators(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return app.exitStatus();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return run(instance);
  } catch (const std::bad_alloc&) {
    message(nullptr, "out of memory");
  }
  return kExitBadUsage;
}
