#include "dialogs.h"

#include <commdlg.h>

#include <utility>

#include "editor_defaults.h"
#include "gui_resources.h"
#include "text.h"
#include "wide_text.h"
#include "window_object.h"

namespace {

constexpr wchar_t kTitle[] = L"Zorvel stand-in";

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

void setText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, widened(text).c_str());
}

// A field's whole number from `low` to `high`: false, with a message naming
// the range, for anything else.
bool fieldNumber(HWND dialog, int id, const char* what, int32_t low, int32_t high, int32_t& out) {
  const std::string text = windowText(GetDlgItem(dialog, id));
  bool digits = !text.empty() && text.size() <= 9;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  const long long v = digits ? std::stoll(text) : -1;
  if (digits && v >= low && v <= high) {
    out = static_cast<int32_t>(v);
    return true;
  }
  showMessage(dialog, std::string(what) + " is " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not " + quoted(text) + ".");
  SetFocus(GetDlgItem(dialog, id));
  SendDlgItemMessageW(dialog, id, EM_SETSEL, 0, -1);
  return false;
}

struct NewCanvas {
  int32_t width, height, fill;
};

INT_PTR CALLBACK newCanvasProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<NewCanvas*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<NewCanvas*>(lParam);
      setText(dialog, IDC_NEW_WIDTH, std::to_string(state->width));
      setText(dialog, IDC_NEW_HEIGHT, std::to_string(state->height));
      setText(dialog, IDC_NEW_FILL, std::to_string(state->fill));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        NewCanvas asked{};
        if (fieldNumber(dialog, IDC_NEW_WIDTH, "The width", 1, kMaxCanvasSide, asked.width) &&
            fieldNumber(dialog, IDC_NEW_HEIGHT, "The height", 1, kMaxCanvasSide, asked.height) &&
            fieldNumber(dialog, IDC_NEW_FILL, "The fill index", 0, kMaxColourIndex, asked.fill)) {
          *state = asked;
          EndDialog(dialog, IDOK);
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

struct Unsaved {
  std::string text;
};

INT_PTR CALLBACK unsavedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      setText(dialog, IDC_UNSAVED_TEXT, reinterpret_cast<const Unsaved*>(lParam)->text);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SAVE:
        case IDC_DISCARD:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// What the descriptions of known pens mean; the pen gives only its own
// language.
const std::pair<const char*, const char*> kMeanings[] = {
    {"\xe9\x95\xb7\xe6\x96\xb9\xe5\xbd\xa2\xe3\x81\xae\xe3\x83\x94\xe3\x82\xaf\xe3\x82\xbb\xe3"
     "\x83\xab\xe3\x81\xa7\xe6\x8f\x8f\xe7\x94\xbb",  // 長方形のピクセルで描画
     "Draws with rectangular pixels."},
};

int CALLBACK firstFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<LOGFONTW*>(found) = *font;
  return 0;  // the first is enough
}

// A font of the dialog's size that has the characters of code page 932;
// null when none is installed.
HFONT japaneseFont(HWND control) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  LOGFONTW found{};
  HDC dc = GetDC(control);
  EnumFontFamiliesExW(dc, &wanted, firstFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(control, dc);
  if (found.lfFaceName[0] == 0) return nullptr;
  LOGFONTW dialogFont{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof dialogFont,
             &dialogFont);
  found.lfHeight = dialogFont.lfHeight ? dialogFont.lfHeight - 2 : -14;
  found.lfWidth = 0;
  return CreateFontIndirectW(&found);
}

struct About {
  const PenInfo* info;
  HFONT font;
};

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      auto* about = reinterpret_cast<About*>(lParam);
      const PenInfo& info = *about->info;
      auto field = [](const char* text) { return utf8FromCodePage(932, text ? text : ""); };
      setText(dialog, IDC_ABOUT_NAME, field(info.name));
      setText(dialog, IDC_ABOUT_VERSION, "Version " + field(info.version));
      setText(dialog, IDC_ABOUT_COPYRIGHT, field(info.copyright));
      const std::string description = field(info.description);
      setText(dialog, IDC_ABOUT_DESCRIPTION, description);
      HWND shown = GetDlgItem(dialog, IDC_ABOUT_DESCRIPTION);
      about->font = japaneseFont(shown);
      if (about->font) SendMessageW(shown, WM_SETFONT, reinterpret_cast<WPARAM>(about->font), TRUE);
      std::string meaning;
      for (const auto& [text, english] : kMeanings)
        if (description == text) meaning = std::string("(") + english + ")";
      if (!about->font)
        meaning += " No font with Japanese characters is installed, so they may show as boxes.";
      setText(dialog, IDC_ABOUT_MEANING, meaning);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

std::string askFile(HWND owner, bool save, const wchar_t* filter, const wchar_t* extension,
                    const std::string& suggested, int* filterIndex, bool* readOnly) {
  wchar_t name[MAX_PATH] = {};
  // A path suggested: the dialog opens in its folder, with its name.
  const std::size_t slash = suggested.find_last_of("\\/");
  const std::wstring folder =
      slash == std::string::npos ? std::wstring() : widened(suggested.substr(0, slash + 1));
  const std::wstring initial =
      widened(slash == std::string::npos ? suggested : suggested.substr(slash + 1));
  if (initial.size() < MAX_PATH) initial.copy(name, initial.size());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = filterIndex ? static_cast<DWORD>(*filterIndex) : 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = extension;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // The working folder stays where the program started: relative names
  // given on the command line keep meaning what they meant.
  ofn.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST
                                      : OFN_FILEMUSTEXIST | (readOnly ? 0 : OFN_HIDEREADONLY));
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (filterIndex) *filterIndex = static_cast<int>(ofn.nFilterIndex);
  if (readOnly) *readOnly = ok && (ofn.Flags & OFN_READONLY) != 0;
  return ok ? narrowed(name) : std::string();
}

}  // namespace

void showMessage(HWND owner, const std::string& text, UINT icon) {
  MessageBoxW(owner, widened(text).c_str(), kTitle, MB_OK | icon);
}

bool askYesNo(HWND owner, const std::string& text) {
  return MessageBoxW(owner, widened(text).c_str(), kTitle, MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool askNewCanvas(HWND owner, int32_t& width, int32_t& height, uint8_t& fill) {
  NewCanvas state{width, height, fill};
  if (DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_NEW_CANVAS), owner, newCanvasProc,
                      reinterpret_cast<LPARAM>(&state)) != IDOK)
    return false;
  width = state.width;
  height = state.height;
  fill = static_cast<uint8_t>(state.fill);
  return true;
}

UnsavedChoice askUnsaved(HWND owner, const std::string& document, const std::string& what) {
  Unsaved state{"The changes to " + document + " are not saved. Save them before " + what + "?"};
  switch (DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_UNSAVED), owner, unsavedProc,
                          reinterpret_cast<LPARAM>(&state))) {
    case IDC_SAVE:
      return UnsavedChoice::save;
    case IDC_DISCARD:
      return UnsavedChoice::discard;
    default:
      return UnsavedChoice::cancel;
  }
}

void showAbout(HWND owner, const PenInfo& info) {
  About about{&info, nullptr};
  DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, aboutProc,
                  reinterpret_cast<LPARAM>(&about));
  if (about.font) DeleteObject(about.font);
}

std::string askOpenFile(HWND owner, const wchar_t* filter, bool* readOnly) {
  return askFile(owner, false, filter, nullptr, "", nullptr, readOnly);
}

std::string askSaveFile(HWND owner, const wchar_t* filter, const wchar_t* extension,
                        const std::string& suggested, int* filterIndex) {
  return askFile(owner, true, filter, extension, suggested, filterIndex, nullptr);
}
