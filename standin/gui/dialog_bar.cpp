#include "dialog_bar.h"

#include <commctrl.h>
#include <windowsx.h>

#include "dialogs.h"
#include "script.h"
#include "text.h"
#include "wide_text.h"
#include "window_object.h"

namespace {

// The page's controls beside the block-size box (110) and its label (109).
enum : int {
  kSizeField = 111,
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

bool checked(HWND button) { return Button_GetCheck(button) == BST_CHECKED; }
void check(HWND button, bool on) { Button_SetCheck(button, on ? BST_CHECKED : BST_UNCHECKED); }

bool wholeNumber(const std::string& text, int32_t low, int32_t high, int32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const long v = std::stol(text);
  if (v < low || v > high) return false;
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

void DialogBar::addTip(HWND control, const wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void DialogBar::create(const zorvel_windows::Windows& tree, HMODULE pen, const PenInfo& info,
                       const GuiOptions& options, const EditorSession& session) {
  session_ = &session;
  toolbar_ = tree.toolbar;
  bar_ = tree.bar;
  page_ = tree.page;
  box_ = tree.box;
  HWND button = makeControl(toolbar_, "BUTTON", "", BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, 3, 2,
                            26, 26, kToolButton);
  buttonBitmap_ =
      static_cast<HBITMAP>(LoadImageA(pen, "PEN_BUTTON", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (buttonBitmap_)
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(buttonBitmap_));
  tip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                         tree.frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  tipText_ = widened(utf8FromCodePage(932, info.name ? info.name : ""));
  addTip(button, tipText_.c_str());

  // The tree's label and box, placed and in the bar's font.
  const auto guiFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  HWND label = GetDlgItem(page_, zorvel_windows::kBlockSizeLabelId);
  SendMessageA(label, WM_SETFONT, guiFont, 0);
  MoveWindow(label, 6, kRowY + 3, 42, 18, FALSE);
  SendMessageA(box_, WM_SETFONT, guiFont, 0);
  MoveWindow(box_, kBoxX, kRowY, 110, 220, FALSE);
  zorvel_windows::selectItem(box_, options.blocks);

  // The size of one's own: an empty field with a label of its own, so that it
  // does not read as a second size in force.
  makeControl(page_, "STATIC", "Own:", 0, 166, kRowY + 3, 28, 18, 0);
  sizeField_ = makeControl(page_, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 194, kRowY,
                           62, 22, kSizeField);
  makeControl(page_, "BUTTON", "Add size", BS_PUSHBUTTON | WS_TABSTOP, 258, kRowY, 60, 22,
              kAddSizeButton);
  makeControl(page_, "STATIC", "Tone", 0, 326, kRowY + 3, 30, 18, 0);
  tone_ = makeControl(page_, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, 356,
                      kRowY - 2, 150, 28, kToneSlider);
  SendMessageA(tone_, TBM_SETRANGE, TRUE, MAKELPARAM(0, kMaxTone));
  SendMessageA(tone_, TBM_SETPOS, TRUE, options.tone);
  toneNumber_ = makeControl(page_, "STATIC", std::to_string(options.tone).c_str(), SS_NOTIFY, 508,
                            kRowY + 3, 24, 18, kToneNumber);
  makeControl(page_, "STATIC", "Colours", 0, 538, kRowY + 3, 44, 18, 0);
  swatch_[0] = makeControl(page_, "STATIC", "", SS_OWNERDRAW | SS_NOTIFY, 584, kRowY, 22, 22,
                           kPrimarySwatch);
  swatch_[1] = makeControl(page_, "STATIC", "", SS_OWNERDRAW | SS_NOTIFY, 610, kRowY, 22, 22,
                           kSecondarySwatch);

  makeControl(page_, "STATIC", "Brush", 0, 6, kRow2Y + 3, 42, 18, 0);
  shape_ = makeControl(page_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP, kBoxX, kRow2Y, 70, 100,
                       kBrushShape);
  SendMessageA(shape_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("square"));
  SendMessageA(shape_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("round"));
  SendMessageA(shape_, CB_SETCURSEL, options.roundBrush ? 1 : 0, 0);
  brushSide_ = options.brushSide;
  brushSize_ = makeControl(page_, "EDIT", std::to_string(brushSide_).c_str(),
                           WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 124, kRow2Y, 46, 22,
                           kBrushSize);
  HWND spin = spin_ = makeControl(
      page_, UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
      0, 0, 0, 0, kBrushSpin);
  SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(brushSize_), 0);
  SendMessageA(spin, UDM_SETRANGE32, 1, kMaxBrushSide);
  SendMessageA(spin, UDM_SETPOS32, 0, brushSide_);
  mask_ = makeControl(page_, "BUTTON", "Mask", BS_AUTOCHECKBOX | WS_TABSTOP, 184, kRow2Y, 56, 22,
                      kMaskSwitch);
  protect_ = makeControl(page_, "BUTTON", "Protect colour", BS_AUTOCHECKBOX | WS_TABSTOP, 244,
                         kRow2Y, 100, 22, kProtectSwitch);
  protectIndex_ =
      makeControl(page_, "EDIT", "0", WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 346,
                  kRow2Y, 36, 22, kProtectIndex);
  makeControl(page_, "STATIC", "Zoom", 0, 396, kRow2Y + 3, 34, 18, 0);
  zoomBox_ = makeControl(page_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 432,
                         kRow2Y, 60, 220, kZoomBox);
  for (int z : kZooms) {
    const std::string text = std::to_string(z) + "x";
    SendMessageA(zoomBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  showZoom(options.zoom);
  grid_ = makeControl(page_, "BUTTON", "Grid", BS_AUTOCHECKBOX | WS_TABSTOP, 504, kRow2Y, 50, 22,
                      kGridSwitch);

  addTip(sizeField_,
         L"A block size of your own, such as 5x3 pixels: type it, then Add size or Enter");
  addTip(tone_, L"Tone level t: t of every 16 blocks take the second colour");
  addTip(toneNumber_, L"The tone level");
  addTip(swatch_[0], LPSTR_TEXTCALLBACKW);
  addTip(swatch_[1], LPSTR_TEXTCALLBACKW);
  addTip(brushSize_, L"The brush size, 1 to 256 pixels");
  addTip(protectIndex_, L"The palette index that Protect colour protects, 0 to 255");
}

void DialogBar::layout(int width) {
  MoveWindow(toolbar_, 0, 0, width, kToolbarHeight, TRUE);
  MoveWindow(bar_, 0, kToolbarHeight, width, kBarHeight, TRUE);
  MoveWindow(page_, 0, 0, std::max(width, 640), kBarHeight, TRUE);
}

PenInputs DialogBar::inputs() const {
  PenInputs in;
  in.tone = static_cast<int32_t>(SendMessageA(tone_, TBM_GETPOS, 0, 0));
  in.roundBrush = SendMessageA(shape_, CB_GETCURSEL, 0, 0) == 1;
  in.brushSide = brushSide_;
  in.maskOn = checked(mask_);
  return in;
}

int DialogBar::protectIndex() const { return checked(protect_) ? protected_ : -1; }

void DialogBar::documentReplaced() {
  check(mask_, false);
  check(protect_, false);
}

void DialogBar::showColours() {
  InvalidateRect(swatch_[0], nullptr, TRUE);
  InvalidateRect(swatch_[1], nullptr, TRUE);
}

void DialogBar::showZoom(int zoom) {
  for (std::size_t i = 0; i < sizeof kZooms / sizeof kZooms[0]; ++i)
    if (kZooms[i] == zoom) SendMessageA(zoomBox_, CB_SETCURSEL, i, 0);
}

bool DialogBar::isTextField(HWND window) const {
  return window && (window == sizeField_ || window == brushSize_ || window == protectIndex_);
}

bool DialogBar::enter(HWND window) {
  if (window == sizeField_) {
    addSize();
    return true;
  }
  if (window == brushSize_ || window == protectIndex_) {
    takeFields();
    return true;
  }
  return false;
}

void DialogBar::takeNumber(HWND field, const char* what, int32_t low, int32_t high,
                           int32_t& value) {
  const std::string text = windowText(field);
  int32_t v = 0;
  if (wholeNumber(text, low, high, v)) {
    value = v;
    return;
  }
  // The value in force shows again at once; why is said after the click or
  // key that left the field.
  SetWindowTextA(field, std::to_string(value).c_str());
  refused_ += std::string(refused_.empty() ? "" : "\n") + what + " is " + std::to_string(low) +
              " to " + std::to_string(high) + ", not " + quoted(text) + ": it stays " +
              std::to_string(value) + ".";
}

void DialogBar::takeFields() {
  takeNumber(brushSize_, "The brush size", 1, kMaxBrushSide, brushSide_);
  takeNumber(protectIndex_, "The protected colour", 0, kMaxColourIndex, protected_);
  events_.inputsEdited();
  if (!refused_.empty()) PostMessageW(owner(), kCheckFields, 0, 0);
}

void DialogBar::checkFields() {
  if (checking_ || refused_.empty()) return;
  checking_ = true;
  const std::string why = refused_;
  refused_.clear();
  showMessage(owner(), why);
  checking_ = false;
}

// A size of one's own: printable ASCII, as the pen reads it; one the pen
// would read as 1 x 1 blocks only if the user still wants it.
void DialogBar::addSize() {
  const std::string text = windowText(sizeField_);
  bool printable = !text.empty() && text.find_first_not_of(' ') != std::string::npos;
  for (char c : text) printable = printable && c >= 0x20 && c < 0x7F;
  if (!printable) {
    showMessage(owner(),
                "A block size is printable text such as '5x3 pixels', not " + quoted(text) + ".");
    return;
  }
  const std::string warning = blockItemWarning(text);
  if (!warning.empty() && !askYesNo(owner(), "The pen " + warning + ".\n\nAdd it all the same?"))
    return;
  zorvel_windows::selectItem(box_, text);
  events_.inputsEdited();
}

bool DialogBar::command(int id, int code) {
  switch (id) {
    case kToolButton:
      if (code == BN_CLICKED) events_.aboutAsked();
      return true;
    case kAddSizeButton:
      if (code == BN_CLICKED) addSize();
      return true;
    case zorvel_windows::kBlockSizeBoxId:
      if (code == CBN_SELCHANGE) events_.inputsEdited();
      if (code == CBN_CLOSEUP) events_.choiceMade();
      return true;
    case kBrushShape:
      if (code == CBN_SELCHANGE) events_.inputsEdited();
      if (code == CBN_CLOSEUP) events_.choiceMade();
      return true;
    case kBrushSize:
    case kProtectIndex:
      // Taken when the focus moves on (at once, so that a click on the
      // canvas paints with it), not while it is typed: "999" would pass
      // through 99. A number out of range is said after the click.
      if (code == EN_KILLFOCUS) takeFields();
      return true;
    case kMaskSwitch:
      // Protection works through the mask: without it, it would look on and
      // do nothing.
      if (!checked(mask_)) check(protect_, false);
      events_.inputsEdited();
      return true;
    case kProtectSwitch:
      if (checked(protect_)) check(mask_, true);
      events_.inputsEdited();
      return true;
    case kZoomBox:
      if (code == CBN_SELCHANGE) {
        const LRESULT i = SendMessageA(zoomBox_, CB_GETCURSEL, 0, 0);
        if (i >= 0 && i < static_cast<LRESULT>(sizeof kZooms / sizeof kZooms[0]))
          events_.zoomPicked(kZooms[i]);
      }
      if (code == CBN_CLOSEUP) events_.choiceMade();
      return true;
    case kGridSwitch:
      events_.inputsEdited();
      return true;
    default:
      return false;
  }
}

void DialogBar::scrolled(HWND control) {
  if (control == spin_) {
    takeFields();  // the arrows set a number in range
    return;
  }
  if (control != tone_) return;
  SetWindowTextA(toneNumber_, std::to_string(SendMessageA(tone_, TBM_GETPOS, 0, 0)).c_str());
  events_.inputsEdited();
}

bool DialogBar::drawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != kPrimarySwatch && item.CtlID != kSecondarySwatch) return false;
  const EditorSession& session = *session_;
  const uint32_t index =
      (item.CtlID == kPrimarySwatch ? session.primary() : session.secondary()) & 0xFF;
  const Rgb& c = session.palette().colours[index];
  HBRUSH brush = CreateSolidBrush(RGB(c.red, c.green, c.blue));
  FillRect(item.hDC, &item.rcItem, brush);
  DeleteObject(brush);
  FrameRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  return true;
}

bool DialogBar::notify(const NMHDR& header, LRESULT& result) {
  if (header.code != TTN_GETDISPINFOW) return false;
  auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
  const auto control = reinterpret_cast<HWND>(info.hdr.idFrom);
  if (control != swatch_[0] && control != swatch_[1]) return false;
  const bool first = control == swatch_[0];
  const uint32_t index = (first ? session_->primary() : session_->secondary()) & 0xFF;
  const Rgb& c = session_->palette().colours[index];
  swatchTip_ = widened(std::string(first ? "First colour" : "Second colour") + ": index " +
                       std::to_string(index) + " (" + std::to_string(c.red) + ", " +
                       std::to_string(c.green) + ", " + std::to_string(c.blue) + ")");
  info.lpszText = &swatchTip_[0];
  result = 0;
  return true;
}

bool DialogBar::choiceByClick(HWND control) const {
  for (HWND c = control; c && c != page_ && c != toolbar_; c = GetParent(c))
    if (c == tone_ || c == spin_ || c == mask_ || c == protect_ || c == grid_ ||
        GetDlgCtrlID(c) == kAddSizeButton || GetDlgCtrlID(c) == kToolButton)
      return true;
  return false;
}

std::vector<HWND> DialogBar::tabStops() const {
  std::vector<HWND> stops;
  for (HWND c = GetWindow(page_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(c, GWL_STYLE);
    // The editor's box, made without WS_TABSTOP, is a stop too.
    if ((c == box_ || (style & WS_TABSTOP)) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
      stops.push_back(c);
  }
  return stops;
}
