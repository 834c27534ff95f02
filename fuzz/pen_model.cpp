#include "pen_model.h"

#include <algorithm>
#include <cstring>

#include "block_engine.h"
#include "literal_engine.h"
#include "support/fake_window_tree.h"
#include "window_messages.h"

namespace fuzz {
namespace {

using testing_support::FakeWindow;

const FakeWindow* firstChild(const FakeWindow* parent, bool (*match)(const FakeWindow&)) {
  for (const FakeWindow* child : parent->children)
    if (match(*child)) return child;
  return nullptr;
}

// The editor's window tree as the pen is meant to walk it: three ancestors up,
// the dialog bar among that window's children, the bar's first child, the box
// with ID 110 on it. Returns false when a window is missing or the selected
// item has 256 characters or more (it would not fit the pen's buffer); a box
// with no valid selection copies nothing.
bool fetchText(WindowHandle window, std::string& text) {
  const auto* w = static_cast<const FakeWindow*>(window);
  for (int i = 0; i < 3 && w; ++i) w = w->parent;
  if (!w) return false;
  const FakeWindow* bar =
      firstChild(w, [](const FakeWindow& c) { return c.className == "Zorvel DialogBar"; });
  if (!bar || bar->children.empty()) return false;
  const FakeWindow* box =
      firstChild(bar->children.front(), [](const FakeWindow& c) { return c.id == 110; });
  if (!box) return false;
  if (box->selection < 0 || static_cast<std::size_t>(box->selection) >= box->items.size())
    return true;
  const std::string& item = box->items[static_cast<std::size_t>(box->selection)];
  if (item.size() >= 256) return false;
  text = item;
  return true;
}

// "<width>x<height> " at the start, each number without a leading zero and
// within the signed 32-bit range, the separator x or X.
bool parseText(const std::string& text, int32_t& width, int32_t& height) {
  std::size_t at = 0;
  auto number = [&](int32_t& out) {
    if (at >= text.size() || text[at] < '1' || text[at] > '9') return false;
    const std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at - start > 10) return false;
    const long long value = std::stoll(text.substr(start, at - start));
    if (value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
  };
  int32_t w = 0, h = 0;
  if (!number(w) || at >= text.size() || (text[at] != 'x' && text[at] != 'X')) return false;
  ++at;
  if (!number(h) || at >= text.size() || text[at] != ' ') return false;
  width = w;
  height = h;
  return true;
}

int32_t clamp32(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(INT32_MAX, std::max<int64_t>(INT32_MIN, v)));
}

struct Rect {
  int64_t left, top, right, bottom;
};

// The brush's rectangle for a point: its top-left pixel at
// (x - width / 2 + 1, y - height / 2 + 1), halves rounded toward zero.
Rect brushRect(int64_t x, int64_t y, int32_t width, int32_t height) {
  const int64_t left = x - width / 2 + 1, top = y - height / 2 + 1;
  return {left, top, left + width, top + height};
}

void reportChange(PenContext* ctx, const Rect& r) {
  ctx->changedLeft = clamp32(r.left);
  ctx->changedTop = clamp32(r.top);
  ctx->changedRight = clamp32(r.right);
  ctx->changedBottom = clamp32(r.bottom);
  ctx->stateFlags |= PCF_DRAWN;
}

int32_t headerField(const void* header, std::size_t offset) {
  int32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(header) + offset, 4);
  return v;
}

// Runs `stamp` with the model's block parameters in the engine's globals,
// which the literal engine reads too; the pen's values are put back after.
template <typename Stamp>
void withModelParameters(const ModelState& state, Stamp stamp) {
  const int32_t width = blockWidth, height = blockHeight, tone = strokeTone;
  blockWidth = state.blockWidth;
  blockHeight = state.blockHeight;
  strokeTone = state.strokeTone;
  stamp();
  blockWidth = width;
  blockHeight = height;
  strokeTone = tone;
}

}  // namespace

ModelOutcome PenModel::handle(WindowHandle window, uint32_t message, uint32_t keyFlags,
                              PenContext* ctx) {
  ModelOutcome outcome;
  switch (message) {
    case WM_MOUSEMOVE:
      if (keyFlags & MK_LBUTTON) stampSegment(ctx, outcome);
      state_.prevX = ctx->cursorX;
      state_.prevY = ctx->cursorY;
      break;
    case WM_LBUTTONDOWN: {
      selectBlockSize(window);
      const int32_t level = std::min(16, std::max(0, ctx->toneLevel));
      state_.strokeTone = (keyFlags & MK_SHIFT) ? 16 - level : level;
      stampAtCursor(ctx, outcome);
      state_.prevX = ctx->cursorX;
      state_.prevY = ctx->cursorY;
      break;
    }
    case WM_RBUTTONDOWN:
      pick(ctx, keyFlags, outcome);
      break;
    default:
      break;
  }
  return outcome;
}

void PenModel::selectBlockSize(WindowHandle window) {
  int32_t width = 1, height = 1;
  if (fetchText(window, state_.sizeText)) parseText(state_.sizeText, width, height);
  state_.blockWidth = width;
  state_.blockHeight = height;
}

bool PenModel::affordable(int64_t work, ModelOutcome& outcome) {
  if (work > budget_) {
    outcome.canvasModelled = false;
    return false;
  }
  budget_ -= work;
  outcome.literalWork = work;
  return true;
}

// An upper bound of the byte operations of one literal placement of the
// brush: each visible brush row scans its pixels and fills at most one block
// per block column it meets (every pixel with blocks one wide), each fill at
// most a block clipped to the canvas, read twice with the mask.
int64_t PenModel::placementWork(const PenContext* ctx) const {
  const int64_t W = headerField(ctx->canvasHeader, 4), H = headerField(ctx->canvasHeader, 8);
  const int64_t bw = headerField(ctx->brushHeader, 4), bh = headerField(ctx->brushHeader, 8);
  if (W <= 0 || H <= 0 || bw <= 0 || bh <= 0) return 1;
  const int64_t vw = std::min(bw, W), vh = std::min(bh, H);
  const int64_t gw = std::max(1, state_.blockWidth), gh = std::max(1, state_.blockHeight);
  const int64_t stampsPerRow = gw <= 1 ? vw : vw / gw + 2;
  const int64_t fill = std::min(gw, W) * std::min(gh, H) * ((ctx->stateFlags & PCF_MASK) ? 2 : 1);
  return vh * (vw + stampsPerRow * fill) + 1;
}

void PenModel::stampAtCursor(PenContext* ctx, ModelOutcome& outcome) {
  outcome.stamped = true;
  if (affordable(placementWork(ctx), outcome)) {
    withModelParameters(state_, [ctx] { literal::stampAtCursor(ctx); });
    return;
  }
  reportChange(ctx, brushRect(ctx->cursorX, ctx->cursorY, headerField(ctx->brushHeader, 4),
                              headerField(ctx->brushHeader, 8)));
}

void PenModel::stampSegment(PenContext* ctx, ModelOutcome& outcome) {
  outcome.stamped = true;
  const int64_t fromX = state_.prevX, fromY = state_.prevY;
  const int64_t toX = ctx->cursorX, toY = ctx->cursorY;
  const int64_t dx = toX > fromX ? toX - fromX : fromX - toX;
  const int64_t dy = toY > fromY ? toY - fromY : fromY - toY;
  const bool xMajor = dx > dy;
  const int64_t major = xMajor ? dx : dy;

  // The literal walk visits every point up to 2^20 steps and otherwise only
  // the stretch whose brush can reach the canvas; a point reaches it only
  // while its major coordinate lies within canvas size + brush size.
  const int64_t W = headerField(ctx->canvasHeader, 4), H = headerField(ctx->canvasHeader, 8);
  const int64_t bw = headerField(ctx->brushHeader, 4), bh = headerField(ctx->brushHeader, 8);
  const int64_t span = xMajor ? W + bw : H + bh;
  const int64_t reaching = std::max<int64_t>(0, std::min(major + 1, span + 1));
  const int64_t walked = major <= (int64_t{1} << 20) ? major + 1 : 64;
  if (affordable(4 * walked + reaching * placementWork(ctx), outcome)) {
    withModelParameters(state_, [&] {
      literal::stampSegment(static_cast<int32_t>(fromX), static_cast<int32_t>(fromY), ctx);
    });
    return;
  }
  // The rectangle spans the brushes at the two ends of the walk. The minor
  // axis lags: with a minor delta the last point is one unit short of the
  // target on that axis.
  int64_t lastX = toX, lastY = toY;
  if (xMajor && dy > 0) lastY += toY > fromY ? -1 : 1;
  if (!xMajor && dx > 0) lastX += toX > fromX ? -1 : 1;
  const int32_t w = static_cast<int32_t>(bw), h = static_cast<int32_t>(bh);
  const Rect a = brushRect(fromX, fromY, w, h), b = brushRect(lastX, lastY, w, h);
  reportChange(ctx, {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)});
}

// Off the canvas nothing is picked and no flag is set.
void PenModel::pick(PenContext* ctx, uint32_t keyFlags, ModelOutcome& outcome) {
  const int64_t W = headerField(ctx->canvasHeader, 4), H = headerField(ctx->canvasHeader, 8);
  const int64_t x = ctx->cursorX, y = ctx->cursorY;
  if (x < 0 || y < 0 || x >= W || y >= H) return;
  const int64_t stride = (W + 3) / 4 * 4;
  const uint8_t value = ctx->pickBits[(H - 1 - y) * stride + x];
  ((keyFlags & MK_SHIFT) ? ctx->secondaryColour : ctx->primaryColour) = value;
  ctx->stateFlags |= PCF_COLOUR;
  outcome.picked = true;
}

}  // namespace fuzz
