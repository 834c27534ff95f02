#include "editor_model.h"

#include <algorithm>
#include <cstring>

void Bitmap::reset(int32_t w, int32_t h, uint8_t fill) {
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
  for (int32_t y = 0; y < h; ++y) std::memset(&at(0, y), fill, static_cast<std::size_t>(w));
}

void Bitmap::load(const IndexedImage& image) {
  reset(image.width, image.height, 0);
  for (int32_t y = 0; y < image.height; ++y)
    std::memcpy(&at(0, y),
                &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width)],
                static_cast<std::size_t>(image.width));
}

EditorModel::EditorModel(const PenLibrary& pen, HWND view) : pen_(pen), view_(view) {
  brush_.reset(1, 1, 0);
}

void EditorModel::newCanvas(int32_t width, int32_t height, uint8_t fill) {
  canvas_.reset(width, height, fill);
  mask_.reset(width, height, 1);
  pickFromCanvas_ = true;
  pickSource_ = Bitmap{};
  ctx_.stateFlags = 0;  // mask off, nothing drawn yet
  std::memset(changed_, 0, sizeof changed_);
  undo_.clear();
  redo_.clear();
}

void EditorModel::loadCanvas(const IndexedImage& image) {
  newCanvas(image.width, image.height, 0);
  canvas_.load(image);
  palette_ = image.palette;
}

void EditorModel::setBrush(const BrushShape& brush) {
  brush_.reset(brush.width, brush.height, 0xFF);
  for (int32_t y = 0; y < brush.height; ++y)
    for (int32_t x = 0; x < brush.width; ++x)
      if (brush.ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(brush.width) +
                    static_cast<std::size_t>(x)])
        brush_.at(x, y) = 0;
}

void EditorModel::setMaskOn(bool on) {
  if (on)
    ctx_.stateFlags |= PCF_MASK;
  else
    ctx_.stateFlags &= ~PCF_MASK;
}

void EditorModel::maskRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  // In 64 bits: a rectangle may start or reach anywhere a coordinate can.
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, mask_.width());
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, mask_.height());
  for (int64_t row = top; row < bottom; ++row)
    for (int64_t column = left; column < right; ++column)
      mask_.at(static_cast<int32_t>(column), static_cast<int32_t>(row)) = 0;
}

void EditorModel::maskColour(uint8_t index) {
  for (int32_t y = 0; y < canvas_.height(); ++y)
    for (int32_t x = 0; x < canvas_.width(); ++x)
      if (canvas_.at(x, y) == index) mask_.at(x, y) = 0;
}

void EditorModel::maskClear() { mask_.reset(canvas_.width(), canvas_.height(), 1); }

void EditorModel::loadMask(const IndexedImage& image) { mask_.load(image); }

void EditorModel::setPickSource(const IndexedImage* image) {
  pickFromCanvas_ = image == nullptr;
  if (image)
    pickSource_.load(*image);
  else
    pickSource_ = Bitmap{};
}

void EditorModel::send(UINT message, WPARAM keyFlags, int32_t x, int32_t y) {
  ctx_.stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
  ctx_.canvasHeader = &canvas_.header;
  ctx_.canvasBits = canvas_.bits.data();
  ctx_.maskBits = mask_.bits.data();
  ctx_.pickBits = pickFromCanvas_ ? canvas_.bits.data() : pickSource_.bits.data();
  ctx_.brushHeader = &brush_.header;
  ctx_.brushBits = brush_.bits.data();
  ctx_.primaryColour = primary_;
  ctx_.secondaryColour = secondary_;
  ctx_.toneLevel = tone_;
  ctx_.cursorX = x;
  ctx_.cursorY = y;
  // The position a window message carries; the pen reads the record's.
  const auto param = static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
  pen_.pen(view_, message, keyFlags, param, &ctx_);
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

void EditorModel::beginStroke(bool keep) {
  redo_.clear();
  undo_.push_back(keep ? canvas_.bits : std::vector<uint8_t>());
}

// One step back (undo: from the undo stack to the redo stack) or forward.
bool EditorModel::travel(std::vector<std::vector<uint8_t>>& from,
                         std::vector<std::vector<uint8_t>>& to, bool keep) {
  if (from.empty()) return false;
  to.push_back(keep ? canvas_.bits : std::vector<uint8_t>());
  // A placeholder is never returned to: the script's check made sure.
  if (from.back().size() == canvas_.bits.size()) canvas_.bits.swap(from.back());
  from.pop_back();
  return true;
}

bool EditorModel::undo(bool keep) { return travel(undo_, redo_, keep); }
bool EditorModel::redo(bool keep) { return travel(redo_, undo_, keep); }

void EditorModel::limitHistory(std::size_t bytes) {
  auto held = [&] {
    std::size_t n = 0;
    for (const auto* stack : {&undo_, &redo_})
      for (const auto& s : *stack) n += s.size();
    return n;
  };
  while (held() > bytes && !undo_.empty()) undo_.erase(undo_.begin());
  while (held() > bytes && !redo_.empty()) redo_.erase(redo_.begin());
}
