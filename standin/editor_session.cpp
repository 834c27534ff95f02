#include "editor_session.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "script.h"
#include "window_messages.h"

namespace {

constexpr uint32_t kRightButton = 0x0002;  // MK_RBUTTON

}  // namespace

EditorSession::EditorSession(PenCall pen, const BlockBox& box, std::size_t historyLimit)
    : pen_(std::move(pen)),
      box_(box),
      brush_(brushBitmap(squareBrush(1))),
      history_(historyLimit) {}

void EditorSession::replaceDocument(bool keep) {
  Document next;                // no mask, pick source or name yet
  next.palette = doc_.palette;  // New keeps the palette; Open then sets its own
  if (doc_.canvas.empty()) {
    history_.clear();  // the first canvas: nothing before it to return to
    doc_ = std::move(next);
  } else {
    history_.replace(doc_, std::move(next), keep);
  }
  ctx_.stateFlags = 0;  // mask off, nothing drawn yet
  inputs_.maskOn = false;
  protecting_ = false;
  std::memset(changed_, 0, sizeof changed_);
}

void EditorSession::newCanvas(int32_t width, int32_t height, uint8_t fill, bool keep) {
  replaceDocument(keep);
  doc_.canvas.reset(width, height, fill);
  doc_.mask.reset(width, height, 1);
  if (recorder_) recorder_->canvas(width, height, fill);
  markSaved();  // nothing on it to lose yet
}

void EditorSession::loadCanvas(const IndexedImage& image, const std::vector<uint8_t>& fileBytes,
                               bool keep) {
  replaceDocument(keep);
  doc_.canvas.load(image);
  doc_.mask.reset(image.width, image.height, 1);
  doc_.palette = image.palette;
  if (recorder_) recorder_->canvasLoad(fileBytes);
  markSaved();  // as it is in its file
}

void EditorSession::setPalette(const Palette& palette, const std::vector<uint8_t>* fileBytes,
                               bool keep) {
  if (doc_.canvas.empty())
    doc_.palette = palette;  // before the first canvas: nothing to return to
  else
    history_.changePalette(doc_, palette, keep);
  if (!recorder_) return;
  if (fileBytes)
    recorder_->palette(*fileBytes);
  else
    recorder_->defaultPalette();
}

void EditorSession::setInputs(const PenInputs& in) {
  if (in.roundBrush != inputs_.roundBrush || in.brushSide != inputs_.brushSide)
    setBrush(in.roundBrush ? roundBrush(in.brushSide) : squareBrush(in.brushSide));
  inputs_ = in;
  setMaskOn(in.maskOn);
}

void EditorSession::setColours(uint32_t primary, uint32_t secondary) {
  inputs_.primary = primary;
  inputs_.secondary = secondary;
}

void EditorSession::setMaskOn(bool on) {
  inputs_.maskOn = on;
  if (on)
    ctx_.stateFlags |= PCF_MASK;
  else
    ctx_.stateFlags &= ~PCF_MASK;
}

void EditorSession::maskRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  Bitmap& mask = doc_.mask;
  // In 64 bits: a rectangle may start or reach anywhere a coordinate can.
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, mask.width());
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, mask.height());
  for (int64_t row = top; row < bottom; ++row)
    for (int64_t column = left; column < right; ++column)
      mask.at(static_cast<int32_t>(column), static_cast<int32_t>(row)) = 0;
}

void EditorSession::maskColour(uint8_t index) {
  const Bitmap& canvas = doc_.canvas;
  for (int32_t y = 0; y < canvas.height(); ++y)
    for (int32_t x = 0; x < canvas.width(); ++x)
      if (canvas.at(x, y) == index) doc_.mask.at(x, y) = 0;
}

void EditorSession::maskClear() { doc_.mask.reset(doc_.canvas.width(), doc_.canvas.height(), 1); }

void EditorSession::loadMask(const IndexedImage& image) { doc_.mask.load(image); }

void EditorSession::setPickSource(const IndexedImage* image) {
  doc_.pickSource = Bitmap{};
  if (image) doc_.pickSource.load(*image);
}

void EditorSession::recordInputs() {
  if (!recorder_) return;
  PenInputs now = inputs_;
  now.blocksSelected = box_.selected(now.blocks);
  if (!now.blocksSelected) now.blocks.clear();
  recorder_->inputs(now);
}

void EditorSession::send(uint32_t message, uint32_t keyFlags, int32_t x, int32_t y) {
  Bitmap& canvas = doc_.canvas;
  ctx_.stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
  ctx_.canvasHeader = &canvas.header;
  ctx_.canvasBits = canvas.bits.data();
  ctx_.maskBits = doc_.mask.bits.data();
  ctx_.pickBits = doc_.pickSource.empty() ? canvas.bits.data() : doc_.pickSource.bits.data();
  ctx_.brushHeader = &brush_.header;
  ctx_.brushBits = brush_.bits.data();
  ctx_.primaryColour = inputs_.primary;
  ctx_.secondaryColour = inputs_.secondary;
  ctx_.toneLevel = inputs_.tone;
  ctx_.cursorX = x;
  ctx_.cursorY = y;
  // The position a window message carries; the pen reads the record's.
  const auto param = static_cast<int32_t>((static_cast<uint32_t>(y) & 0xFFFF) << 16 |
                                          (static_cast<uint32_t>(x) & 0xFFFF));
  pen_(message, keyFlags, param, &ctx_);
  history_.noteMessage();
  if (ctx_.stateFlags & PCF_COLOUR) {
    inputs_.primary = ctx_.primaryColour;
    inputs_.secondary = ctx_.secondaryColour;
    // The replay takes them back from the pen as the editor did.
    if (recorder_) recorder_->pickedColours(inputs_.primary, inputs_.secondary);
  }
  if (ctx_.stateFlags & PCF_DRAWN) {
    changed_[0] = ctx_.changedLeft;
    changed_[1] = ctx_.changedTop;
    changed_[2] = ctx_.changedRight;
    changed_[3] = ctx_.changedBottom;
  }
}

void EditorSession::press(int32_t x, int32_t y, bool shift, bool keep, int protectIndex) {
  const bool protect = protectIndex >= 0 && protectIndex <= 255;
  if (protect) setMaskOn(true);  // protection works through the mask
  recordInputs();
  // Protecting a colour: the mask as the canvas is now, at each press.
  if (protect || protecting_) {
    maskClear();
    if (recorder_) recorder_->maskClear();
  }
  if (protect) {
    maskColour(static_cast<uint8_t>(protectIndex));
    if (recorder_) recorder_->maskColour(static_cast<uint8_t>(protectIndex));
  }
  protecting_ = protect;
  std::string item;
  if (box_.selected(item)) latchedItem_ = item;  // else the pen reads its last text again
  history_.beginStroke(doc_, keep);
  if (recorder_) recorder_->press(x, y, shift);
  send(WM_LBUTTONDOWN, MK_LBUTTON | (shift ? MK_SHIFT : 0), x, y);
}

void EditorSession::drag(int32_t x, int32_t y, bool shift) {
  recordInputs();
  if (recorder_) recorder_->drag(x, y, shift);
  send(WM_MOUSEMOVE, MK_LBUTTON | (shift ? MK_SHIFT : 0), x, y);
  if (drew()) history_.joinNewest(doc_);  // a drag with no press: a script's, after an undo
}

void EditorSession::move(int32_t x, int32_t y) {
  recordInputs();
  if (recorder_) recorder_->move(x, y);
  send(WM_MOUSEMOVE, 0, x, y);
}

void EditorSession::release(int32_t x, int32_t y) {
  recordInputs();
  if (recorder_) recorder_->release(x, y);
  send(WM_LBUTTONUP, 0, x, y);
  history_.endStroke(doc_);
}

void EditorSession::pick(int32_t x, int32_t y, bool shift) {
  recordInputs();
  if (recorder_) recorder_->pick(x, y, shift);
  send(WM_RBUTTONDOWN, kRightButton | (shift ? MK_SHIFT : 0), x, y);
}

void EditorSession::other(uint32_t message, uint32_t keyFlags, int32_t x, int32_t y) {
  send(message, keyFlags, x, y);
}

bool EditorSession::undo() {
  if (!history_.undo(doc_)) return false;
  if (recorder_) recorder_->undo();
  return true;
}

bool EditorSession::redo() {
  if (!history_.redo(doc_)) return false;
  if (recorder_) recorder_->redo();
  return true;
}

void EditorSession::latchedBlockSize(int64_t& width, int64_t& height) const {
  penBlockSize(latchedItem_, width, height);
}
