#include "editor.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// A bitmap as the editor hands it to the pen: BITMAPINFOHEADER, and rows
// bottom-up, each padded to a multiple of 4 bytes with zeros.
struct Bitmap {
  BITMAPINFOHEADER header{};
  std::vector<uint8_t> bits;

  int32_t width() const { return header.biWidth; }
  int32_t height() const { return header.biHeight; }
  std::size_t stride() const { return (static_cast<std::size_t>(width()) + 3) & ~std::size_t{3}; }
  uint8_t& at(int32_t x, int32_t y) {
    return bits[static_cast<std::size_t>(height() - 1 - y) * stride() +
                static_cast<std::size_t>(x)];
  }
  void reset(int32_t w, int32_t h, uint8_t fill) {
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride() * static_cast<std::size_t>(h));
    header.biClrUsed = 256;
    bits.assign(header.biSizeImage, 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) at(x, y) = fill;
  }
  IndexedCanvas indexed() const { return {width(), height(), bits.data()}; }
};

class Editor {
 public:
  Editor(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree)
      : script_(script), pen_(pen), tree_(tree) {
    brush_.reset(1, 1, 0);
    tree_.select(kDefaultBlockItem);
  }

  int run() {
    for (const Command& c : script_.commands) {
      const int status = step(c);
      if (status != kExitOk) return status;
    }
    return kExitOk;
  }

 private:
  int step(const Command& c);
  void send(UINT message, WPARAM keyFlags, int32_t x, int32_t y);
  int save(const Command& c);

  int failed(const Command& c, int status, const std::string& what) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s:%d: %s\n", script_.path.c_str(), c.line, what.c_str());
    return status;
  }
  int expectation(const Command& c, const std::string& what, const std::string& expected,
                  const std::string& got) {
    if (expected == got) return kExitOk;
    return failed(c, kExitExpectFailed,
                  "expect " + what + ": expected " + expected + ", got " + got);
  }

  const Script& script_;
  const PenLibrary& pen_;
  zorvel_windows::Tree& tree_;
  PenContext ctx_{};
  Bitmap canvas_, mask_, brush_;
  Palette palette_ = defaultPalette();
  uint32_t primary_ = kDefaultPrimary, secondary_ = kDefaultSecondary;
  int32_t tone_ = 0;
  int32_t changed_[4] = {0, 0, 0, 0};  // left, top, right, bottom as last reported
};

std::string pair(int64_t a, int64_t b) { return std::to_string(a) + " " + std::to_string(b); }

std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, v);
  return text;
}

void Editor::send(UINT message, WPARAM keyFlags, int32_t x, int32_t y) {
  ctx_.stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
  ctx_.canvasHeader = &canvas_.header;
  ctx_.canvasBits = canvas_.bits.data();
  ctx_.maskBits = mask_.bits.data();
  ctx_.pickBits = canvas_.bits.data();
  ctx_.brushHeader = &brush_.header;
  ctx_.brushBits = brush_.bits.data();
  ctx_.primaryColour = primary_;
  ctx_.secondaryColour = secondary_;
  ctx_.toneLevel = tone_;
  ctx_.cursorX = x;
  ctx_.cursorY = y;
  // The position a window message carries; the pen reads the record's.
  const auto param = static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
  pen_.pen(tree_.view, message, keyFlags, param, &ctx_);
  if (ctx_.stateFlags & PCF_COLOUR) {
    primary_ = ctx_.primaryColour;
    secondary_ = ctx_.secondaryColour;
  }
  if (ctx_.stateFlags & PCF_DRAWN) {
    changed_[0] = ctx_.changedLeft;
    changed_[1] = ctx_.changedTop;
    changed_[2] = ctx_.changedRight;
    changed_[3] = ctx_.changedBottom;
  }
}

int Editor::step(const Command& c) {
  const WPARAM shift = c.shift ? MK_SHIFT : 0;
  switch (c.op) {
    case Op::Canvas:
      canvas_.reset(c.a, c.b, static_cast<uint8_t>(c.c));
      mask_.reset(c.a, c.b, 1);
      ctx_.stateFlags = 0;  // mask off, nothing drawn yet
      std::memset(changed_, 0, sizeof changed_);
      break;
    case Op::UsePalette:
      palette_ = *c.palette;
      break;
    case Op::UseBrush:
      brush_.reset(c.brush.width, c.brush.height, 0xFF);
      for (int32_t y = 0; y < c.brush.height; ++y)
        for (int32_t x = 0; x < c.brush.width; ++x)
          if (c.brush.ink[static_cast<std::size_t>(y * c.brush.width + x)]) brush_.at(x, y) = 0;
      break;
    case Op::Blocks:
      tree_.select(c.text);
      break;
    case Op::BlocksNone:
      tree_.clearSelection();
      break;
    case Op::Tone:
      tone_ = c.a;
      break;
    case Op::Colours:
      primary_ = static_cast<uint32_t>(c.a);
      secondary_ = static_cast<uint32_t>(c.b);
      break;
    case Op::MaskOn:
      ctx_.stateFlags |= PCF_MASK;
      break;
    case Op::MaskOff:
      ctx_.stateFlags &= ~PCF_MASK;
      break;
    case Op::MaskRect:
      for (int32_t y = std::max(c.b, 0); y < std::min(c.b + c.d, mask_.height()); ++y)
        for (int32_t x = std::max(c.a, 0); x < std::min(c.a + c.c, mask_.width()); ++x)
          mask_.at(x, y) = 0;
      break;
    case Op::Press:
      send(WM_LBUTTONDOWN, MK_LBUTTON | shift, c.a, c.b);
      break;
    case Op::Drag:
      send(WM_MOUSEMOVE, MK_LBUTTON | shift, c.a, c.b);
      break;
    case Op::Move:
      send(WM_MOUSEMOVE, 0, c.a, c.b);
      break;
    case Op::Release:
      send(WM_LBUTTONUP, 0, c.a, c.b);
      break;
    case Op::Pick:
      send(WM_RBUTTONDOWN, MK_RBUTTON | shift, c.a, c.b);
      break;
    case Op::ExpectPixel:
      return expectation(c, "pixel (" + std::to_string(c.a) + ", " + std::to_string(c.b) + ")",
                         std::to_string(c.c), std::to_string(canvas_.at(c.a, c.b)));
    case Op::ExpectColours:
      return expectation(c, "colours", pair(c.a, c.b), pair(primary_, secondary_));
    case Op::ExpectRect:
      return expectation(c, "rect", pair(c.a, c.b) + " " + pair(c.c, c.d),
                         pair(changed_[0], changed_[1]) + " " + pair(changed_[2], changed_[3]));
    case Op::ExpectFlags:
      return expectation(c, "flags", hex(c.flags), hex(ctx_.stateFlags));
    case Op::SaveBmp:
    case Op::SavePng:
      return save(c);
  }
  return kExitOk;
}

int Editor::save(const Command& c) {
  const std::vector<uint8_t> bytes =
      c.op == Op::SaveBmp ? indexedBmp(canvas_.indexed(), palette_)
                          : pngBytes(colourPicture(canvas_.indexed(), palette_, c.a));
  std::string error;
  if (bytes.empty()) return failed(c, kExitBadInput, "cannot encode '" + c.text + "'");
  if (!writeWhole(c.text, bytes, error)) return failed(c, kExitBadInput, error);
  std::printf("%s\n", c.text.c_str());
  return kExitOk;
}

}  // namespace

int replay(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree) {
  return Editor(script, pen, tree).run();
}
