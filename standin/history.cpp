#include "history.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Eight bytes at a time: a 4096 x 4096 canvas is compared in a few
// milliseconds, also where the C library's memcmp goes byte by byte.
uint64_t word(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The first index in [0, n) where a and b differ, or n.
std::size_t firstDifference(const uint8_t* a, const uint8_t* b, std::size_t n) {
  std::size_t i = 0;
  while (i + 8 <= n && word(a + i) == word(b + i)) i += 8;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// One past the last index in [0, n) where a and b differ, or 0.
std::size_t lastDifference(const uint8_t* a, const uint8_t* b, std::size_t n) {
  std::size_t i = n;
  while (i >= 8 && word(a + i - 8) == word(b + i - 8)) i -= 8;
  while (i > 0 && a[i - 1] == b[i - 1]) --i;
  return i;
}

// The box of bytes (columns of the stride, rows as stored) where the two
// pictures differ; empty when they are equal.
PixelBox differences(const std::vector<uint8_t>& was, const std::vector<uint8_t>& now,
                     std::size_t stride, std::size_t rows) {
  PixelBox box;
  bool any = false;
  std::size_t left = stride, right = 0, top = 0, bottom = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    const uint8_t* a = was.data() + r * stride;
    const uint8_t* b = now.data() + r * stride;
    const std::size_t first = firstDifference(a, b, stride);
    if (first == stride) continue;
    left = std::min(left, first);
    right = std::max(right, lastDifference(a, b, stride));
    if (!any) top = r;
    bottom = r + 1;
    any = true;
  }
  if (!any) return box;
  box.left = static_cast<int32_t>(left);
  box.right = static_cast<int32_t>(right);
  box.top = static_cast<int32_t>(top);
  box.bottom = static_cast<int32_t>(bottom);
  return box;
}

// Copies the box's bytes of a stride-wide picture into `out`, row by row.
void copyOut(const std::vector<uint8_t>& from, std::size_t stride, const PixelBox& box,
             uint8_t* out) {
  const auto width = static_cast<std::size_t>(box.right - box.left);
  for (int32_t r = box.top; r < box.bottom; ++r, out += width)
    std::memcpy(
        out,
        from.data() + static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(box.left),
        width);
}

void copyIn(std::vector<uint8_t>& to, std::size_t stride, const PixelBox& box, const uint8_t* in) {
  const auto width = static_cast<std::size_t>(box.right - box.left);
  for (int32_t r = box.top; r < box.bottom; ++r, in += width)
    std::memcpy(
        to.data() + static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(box.left), in,
        width);
}

}  // namespace

void History::clear() {
  undo_.clear();
  redo_.clear();
  held_ = 0;
  base_ = ++serial_;
  shadowValid_ = false;
  shadow_.clear();
  lastChange_ = PixelBox{};
}

int History::takeForgotten() {
  const int n = forgotten_;
  forgotten_ = 0;
  return n;
}

void History::close(const Document& doc) {
  if (undo_.empty() || !undo_.back().open) {
    absorb(doc);
    return;
  }
  touched_ = false;
  Step& step = undo_.back();
  step.open = false;
  const Bitmap& canvas = doc.canvas;
  if (!step.kept || !shadowValid_ || shadow_.size() != canvas.bits.size()) {
    shadowValid_ = false;  // the canvas moved on without the copy
    return;
  }
  const std::size_t stride = canvas.stride();
  step.rows = differences(shadow_, canvas.bits, stride, static_cast<std::size_t>(canvas.height()));
  if (step.rows.empty()) {
    step.serial = step.before;  // the same document as before the press
    return;
  }
  step.bytes.resize(static_cast<std::size_t>(step.rows.right - step.rows.left) *
                    static_cast<std::size_t>(step.rows.bottom - step.rows.top));
  copyOut(shadow_, stride, step.rows, step.bytes.data());
  // The copy follows the canvas again, for the next step.
  std::vector<uint8_t> now(step.bytes.size());
  copyOut(canvas.bits, stride, step.rows, now.data());
  copyIn(shadow_, stride, step.rows, now.data());
  held_ += step.size();
  // Trim around the closed step, which stays: it is the newest.
  while (held_ > limit_ && undo_.size() > 1) {
    held_ -= undo_.front().size();
    undo_.erase(undo_.begin());
    ++forgotten_;
  }
}

void History::absorb(const Document& doc) {
  if (!touched_ || !shadowValid_ || undo_.empty()) return;
  touched_ = false;
  Step& step = undo_.back();
  const Bitmap& canvas = doc.canvas;
  if (!step.kept || step.whole || shadow_.size() != canvas.bits.size()) return;
  const std::size_t stride = canvas.stride();
  const PixelBox stray =
      differences(shadow_, canvas.bits, stride, static_cast<std::size_t>(canvas.height()));
  if (stray.empty()) return;
  renumber();
  // The union of both boxes, as it was before the step: outside the step's
  // box the copy still holds that.
  PixelBox both = stray;
  if (!step.rows.empty()) {
    both.left = std::min(both.left, step.rows.left);
    both.top = std::min(both.top, step.rows.top);
    both.right = std::max(both.right, step.rows.right);
    both.bottom = std::max(both.bottom, step.rows.bottom);
  }
  std::vector<uint8_t> before(static_cast<std::size_t>(both.right - both.left) *
                              static_cast<std::size_t>(both.bottom - both.top));
  copyOut(shadow_, stride, both, before.data());
  const auto width = static_cast<std::size_t>(both.right - both.left);
  const auto stepWidth = static_cast<std::size_t>(step.rows.right - step.rows.left);
  for (int32_t r = step.rows.top; r < step.rows.bottom; ++r)
    std::memcpy(before.data() + static_cast<std::size_t>(r - both.top) * width +
                    static_cast<std::size_t>(step.rows.left - both.left),
                step.bytes.data() + static_cast<std::size_t>(r - step.rows.top) * stepWidth,
                stepWidth);
  held_ -= step.size();
  step.rows = both;
  step.bytes.swap(before);
  held_ += step.size();
  std::vector<uint8_t> now(static_cast<std::size_t>(stray.right - stray.left) *
                           static_cast<std::size_t>(stray.bottom - stray.top));
  copyOut(canvas.bits, stride, stray, now.data());
  copyIn(shadow_, stride, stray, now.data());
}

// The newest step now ends in a document of its own, and so does each step
// that a redo would bring after it, up to a New or Open.
void History::renumber() {
  undo_.back().serial = ++serial_;
  for (auto s = redo_.rbegin(); s != redo_.rend() && !s->whole; ++s) s->serial = ++serial_;
}

void History::push(Step&& step) {
  for (const Step& s : redo_) held_ -= s.size();
  redo_.clear();  // a new step leaves nothing to redo
  held_ += step.size();
  undo_.push_back(std::move(step));
  while (held_ > limit_ && undo_.size() > 1) {
    held_ -= undo_.front().size();
    undo_.erase(undo_.begin());
    ++forgotten_;
  }
}

void History::beginStroke(const Document& doc, bool keep) {
  close(doc);
  lastChange_ = PixelBox{};
  if (keep && !shadowValid_) {
    shadow_ = doc.canvas.bits;
    shadowValid_ = true;
  }
  Step step;
  step.before = position();
  step.serial = ++serial_;
  step.kept = keep;
  step.open = true;
  push(std::move(step));
}

void History::changePalette(Document& doc, const Palette& palette, bool keep) {
  close(doc);
  lastChange_ = PixelBox{};
  Step step;
  step.before = position();
  const bool same = doc.palette.colours == palette.colours && doc.palette.listed == palette.listed;
  step.serial = same ? step.before : ++serial_;
  step.kept = keep;
  step.palette = true;
  if (keep) {
    step.colours = doc.palette;
    // What the pen paints after it joins this step, against this copy.
    if (!shadowValid_) {
      shadow_ = doc.canvas.bits;
      shadowValid_ = true;
    }
  } else {
    shadowValid_ = false;  // paint that joins it is not followed
  }
  push(std::move(step));
  doc.palette = palette;
}

void History::replace(Document& doc, Document&& next, bool keep) {
  close(doc);
  lastChange_ = PixelBox{};
  Step step;
  step.serial = ++serial_;
  step.kept = keep;
  step.whole = true;
  if (keep) step.document = std::move(doc);
  doc = std::move(next);
  push(std::move(step));
  shadowValid_ = false;  // the next canvas is another
}

void History::swap(Step& step, Document& doc) {
  lastChange_ = PixelBox{};
  if (!step.kept) return;  // nothing was kept: the replay's checker made sure of no return
  Bitmap& canvas = doc.canvas;
  if (step.whole) {
    std::swap(doc, step.document);
    shadowValid_ = false;
    lastChange_ = {0, 0, doc.canvas.width(), doc.canvas.height()};
    return;
  }
  if (step.palette) {
    std::swap(doc.palette, step.colours);
    lastChange_ = {0, 0, canvas.width(), canvas.height()};  // every pixel looks different
  }
  if (step.rows.empty()) return;
  const std::size_t stride = canvas.stride();
  std::vector<uint8_t> now(step.bytes.size());
  copyOut(canvas.bits, stride, step.rows, now.data());
  copyIn(canvas.bits, stride, step.rows, step.bytes.data());
  if (shadowValid_) copyIn(shadow_, stride, step.rows, step.bytes.data());
  step.bytes.swap(now);
  const int32_t h = canvas.height();
  if (!step.palette)
    lastChange_ = {step.rows.left, h - step.rows.bottom, std::min(step.rows.right, canvas.width()),
                   h - step.rows.top};
}

bool History::travel(std::vector<Step>& from, std::vector<Step>& to, Document& doc) {
  close(doc);
  if (from.empty()) return false;
  Step step = std::move(from.back());
  from.pop_back();
  held_ -= step.size();
  swap(step, doc);
  held_ += step.size();  // a whole document's step now holds the other one
  to.push_back(std::move(step));
  return true;
}

bool History::undo(Document& doc) { return travel(undo_, redo_, doc); }
bool History::redo(Document& doc) { return travel(redo_, undo_, doc); }
