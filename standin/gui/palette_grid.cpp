#include "palette_grid.h"

#include <commctrl.h>
#include <windowsx.h>

#include "wide_text.h"

namespace {

void frameIn(HDC dc, RECT r, int inset, int stock) {
  InflateRect(&r, -inset, -inset);
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(stock)));
}

}  // namespace

void PaletteGrid::attach(HWND window, EditorSession& session) {
  window_ = window;
  session_ = &session;
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                             window, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int i = 0; i < 256; ++i) {
    const int x = kPaletteMargin + (i % 16) * kPaletteCell,
              y = kPaletteMargin + (i / 16) * kPaletteCell;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = static_cast<UINT_PTR>(i);
    tool.rect = RECT{x, y, x + kPaletteCell, y + kPaletteCell};
    tool.lpszText = LPSTR_TEXTCALLBACKW;  // the palette may change
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void PaletteGrid::paint(HDC dc) {
  const EditorSession& session = *session_;
  RECT all;
  GetClientRect(window_, &all);
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  const uint32_t primary = session.primary() & 0xFF, secondary = session.secondary() & 0xFF;
  for (int i = 0; i < 256; ++i) {
    const Rgb& c = session.palette().colours[static_cast<std::size_t>(i)];
    HBRUSH brush = CreateSolidBrush(RGB(c.red, c.green, c.blue));
    const int x = kPaletteMargin + (i % 16) * kPaletteCell,
              y = kPaletteMargin + (i / 16) * kPaletteCell;
    RECT r{x, y, x + kPaletteCell, y + kPaletteCell};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    if (static_cast<uint32_t>(i) == primary) {
      frameIn(dc, r, 0, BLACK_BRUSH);
      frameIn(dc, r, 1, WHITE_BRUSH);
    }
    if (static_cast<uint32_t>(i) == secondary) {
      RECT dot{x + 3, y + 3, x + kPaletteCell - 3, y + kPaletteCell - 3};
      FillRect(dc, &dot, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      frameIn(dc, dot, 0, BLACK_BRUSH);
    }
  }
}

LRESULT PaletteGrid::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      const int px = GET_X_LPARAM(lParam) - kPaletteMargin,
                py = GET_Y_LPARAM(lParam) - kPaletteMargin;
      if (px < 0 || py < 0 || px >= 16 * kPaletteCell || py >= 16 * kPaletteCell) return 0;
      const auto index = static_cast<uint32_t>(py / kPaletteCell * 16 + px / kPaletteCell);
      EditorSession& session = *session_;
      if (message == WM_LBUTTONDOWN)
        session.setColours(index, session.secondary());
      else
        session.setColours(session.primary(), index);
      events_.coloursEdited();
      events_.choiceMade();  // the grid takes no keys: they stay with the view
      return 0;
    }
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (info->hdr.code != TTN_GETDISPINFOW || info->hdr.idFrom > 255) return 0;
      const Rgb& c = session_->palette().colours[info->hdr.idFrom];
      tipText_ =
          widened("index " + std::to_string(info->hdr.idFrom) + " (" + std::to_string(c.red) +
                  ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")");
      info->lpszText = &tipText_[0];
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
