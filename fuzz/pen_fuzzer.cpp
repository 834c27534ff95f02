// pen_fuzzer.cpp - the libFuzzer target: an editor that hands the pen
// whatever an editor may legally hand it, one message after another, and
// checks after every message that the pen kept to its contract.
//
// An input decodes into a scenario (canvas and brush geometry and contents,
// mask switch, colours, tone level, the items of the block-size box) and a
// sequence of messages, each with the host's changes before it (colours,
// tone, flags, box selection or a broken window tree, window handle, pointers
// the message does not need left null), a message number, key flags and a
// cursor position. Each message goes to ZVPen and to the model of
// pen_model.h, which stamps with the literal engine; then:
//   - ZVPen returned 0;
//   - the guards around every buffer and the canvas's row padding are intact
//     (AddressSanitizer has already stopped any access to a guard);
//   - mask, pick source and brush are unchanged, and so are the fields of
//     the context that are the editor's, the cursor and the tone level;
//   - stateFlags kept every bit and gained only PCF_DRAWN after a stamp or a
//     segment and PCF_COLOUR after a pick inside the canvas;
//   - canvas bytes, colours, flags and changed rectangle equal the model's,
//     and so do the previous point, the block parameters and the block-size
//     text (a stamp too costly for the literal engine is checked more
//     loosely: every changed byte has one of the two colours).
// A failed check prints what differs and aborts, so libFuzzer keeps the
// input. PEN_FUZZ_TRACE=1 prints every decoded message. With
// PEN_FUZZ_PATH_SHARE=P (the corpus replay sets it) the fuzzer prints at its
// end how many inputs each row of the engine's table of stamping paths
// stamped in, and exits with 1 when a row took less than P % of them.
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "block_engine.h"
#include "fuzz_input.h"
#include "guarded_bitmap.h"
#include "pen_entry.h"
#include "pen_model.h"
#include "stamp_paths.h"
#include "support/fake_window_tree.h"
#include "support/poison_stack.h"
#include "window_messages.h"

namespace {

using fuzz::FuzzInput;
using fuzz::GuardedBitmap;
using testing_support::FakeEditor;

constexpr int kMaxMessages = 128;
// Brush pixels over the canvas that the messages of one input may ask the
// pen to visit: a stamp visits the visible brush once, a segment once for
// each point whose brush reaches the canvas. An input ends at the message
// that would go past it, so that a healthy pen finishes any input in a few
// seconds and libFuzzer's timeout stands for work out of proportion to the
// messages. The size of the blocks is left out on purpose: painting a block
// more than once is the pen's own cost.
constexpr int64_t kPenWorkCap = 30'000'000;
// Byte operations of literal stamping one input may spend (see pen_model.h).
constexpr int64_t kLiteralBudget = 12'000'000;
constexpr uint8_t kCanvasPadding = 0xEE;

bool tracing() {
  static const bool on = std::getenv("PEN_FUZZ_TRACE") != nullptr;
  return on;
}

// splitmix64: contents from a seed in the input, so that 300 x 300 bitmaps
// cost four bytes of input.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint8_t byte() { return static_cast<uint8_t>(next() >> 24); }
  uint8_t nonZero() {
    const uint8_t b = byte();
    return b == 0 ? 1 : b;
  }
  // Biased to 0x00 and 0xFF, where off-by-one colour and mask bugs show.
  uint8_t biased() {
    const uint64_t r = next();
    return (r & 3) == 0 ? 0 : (r & 3) == 1 ? 0xFF : static_cast<uint8_t>(r >> 8);
  }
  bool oneIn(uint64_t n) { return next() % n == 0; }

 private:
  uint64_t state_;
};

template <typename Pixel>
void forEachPixel(GuardedBitmap& bitmap, Pixel pixel) {
  for (int32_t y = 0; y < std::max(bitmap.height(), 0); ++y)
    for (int32_t x = 0; x < std::max(bitmap.width(), 0); ++x)
      pixel(x, y,
            bitmap.bits()[static_cast<std::size_t>(bitmap.height() - 1 - y) * bitmap.stride() +
                          static_cast<std::size_t>(x)]);
}

void fillCanvas(GuardedBitmap& canvas, uint8_t mode, Rng& rng) {
  forEachPixel(canvas, [&](int32_t x, int32_t y, uint8_t& p) {
    switch (mode % 4) {
      case 0:
        p = 0;
        break;
      case 1:
        p = rng.biased();
        break;
      case 2:
        p = 0xFF;
        break;
      default:
        p = static_cast<uint8_t>(x * 7 + y * 3);
        break;
    }
  });
  canvas.setPadding(kCanvasPadding);
}

// Mask padding is 0 (forbidding): a mask read past the width would change
// what is painted and show as a difference from the literal engine.
void fillMask(GuardedBitmap& mask, uint8_t mode, Rng& rng) {
  forEachPixel(mask, [&](int32_t x, int32_t y, uint8_t& p) {
    switch (mode % 6) {
      case 0:
        p = 1;
        break;
      case 1:
        p = rng.oneIn(64) ? 0 : rng.nonZero();
        break;
      case 2:
        p = rng.oneIn(8) ? 0 : rng.nonZero();
        break;
      case 3:
        p = rng.oneIn(2) ? 0 : rng.nonZero();
        break;
      case 4:
        p = 0;
        break;
      default:
        p = (x % 5 == 4 || y % 3 == 2) ? 0 : 0xFF;
        break;
    }
  });
  mask.setPadding(0);
}

// Ink is 0; the rest is 1, 255 or any other non-zero value. Brush padding is
// 0, ink, for the same reason as the mask's.
void fillBrush(GuardedBitmap& brush, fuzz::BrushKind kind, Rng& rng) {
  using fuzz::BrushFill;
  const int64_t w = brush.width(), h = brush.height();
  int64_t inkX = 0, inkY = 0;  // the one ink pixel of kOneInk
  if (kind.fill == BrushFill::kOneInk && w > 0 && h > 0) {
    switch (kind.place) {
      case fuzz::InkPlace::kSeeded:
        inkX = static_cast<int64_t>(rng.next() % static_cast<uint64_t>(w));
        inkY = static_cast<int64_t>(rng.next() % static_cast<uint64_t>(h));
        break;
      case fuzz::InkPlace::kFirst:
        break;
      case fuzz::InkPlace::kLast:
        inkX = w - 1;
        inkY = h - 1;
        break;
      case fuzz::InkPlace::kMiddle:
        inkX = (w - 1) / 2;
        inkY = (h - 1) / 2;
        break;
    }
  }
  forEachPixel(brush, [&](int32_t x, int32_t y, uint8_t& p) {
    bool ink;
    switch (kind.fill) {
      case BrushFill::kAllInk:
        ink = true;
        break;
      case BrushFill::kNoInk:
        ink = false;
        break;
      case BrushFill::kHalfInk:
        ink = rng.oneIn(2);
        break;
      case BrushFill::kMostlyInk:
        ink = !rng.oneIn(8);
        break;
      case BrushFill::kSparseInk:
        ink = rng.oneIn(16);
        break;
      case BrushFill::kDisc: {
        const int64_t dx = 2 * x - w + 1, dy = 2 * y - h + 1, r = std::max(w, h);
        ink = dx * dx + dy * dy <= r * r;
        break;
      }
      case BrushFill::kEvenColumns:
        ink = x % 2 == 0;
        break;
      case BrushFill::kCheckerboard:
        ink = (x + y) % 2 == 0;
        break;
      default:
        ink = x == inkX && y == inkY;
        break;
    }
    const uint64_t other = rng.next() % 3;
    p = ink ? 0 : other == 0 ? 1 : other == 1 ? 0xFF : rng.nonZero();
  });
  brush.setPadding(0);
}

void fillPick(GuardedBitmap& pick, Rng& rng) {
  for (std::size_t i = 0; i < pick.byteCount(); ++i) pick.bits()[i] = rng.biased();
}

// The window tree, broken in one of the ways that leave the box unreachable:
// no dialog bar, a bar without a page, no control 110, the page not the bar's
// first child, or a view with only two ancestors.
void breakTree(FakeEditor& w, int how) {
  switch (how % 5) {
    case 0:
      w.bar.className = "Zorvel Toolbar";
      break;
    case 1:
      w.bar.children.clear();
      break;
    case 2:
      w.box.id = 111;
      break;
    case 3:
      w.bar.children.insert(w.bar.children.begin(), &w.toolbar);
      break;
    default:
      w.client.parent = nullptr;
      break;
  }
}

void restoreTree(FakeEditor& w) {
  w.bar.className = "Zorvel DialogBar";
  w.bar.children = {&w.page};
  w.box.id = 110;
  w.client.parent = &w.frame;
}

// One change to the block-size box (byte % 8): 0-2 select an item, 3 no
// selection, 4 a selection past the items, 5 break the tree, 6 mend it,
// 7 replace the selected item's text.
void changeBox(FakeEditor& w, FuzzInput& in) {
  const uint8_t b = in.byte();
  const auto count = static_cast<int32_t>(w.box.items.size());
  switch (b % 8) {
    case 0:
    case 1:
    case 2:
      w.box.selection = count > 0 ? (b / 8) % count : -1;
      break;
    case 3:
      w.box.selection = -1;
      break;
    case 4:
      w.box.selection = b / 8 == 31 ? INT32_MAX : count + b / 8;
      break;
    case 5:
      breakTree(w, b / 8);
      break;
    case 6:
      restoreTree(w);
      break;
    default: {
      std::string text = fuzz::itemText(in);
      if (w.box.selection >= 0 && w.box.selection < count)
        w.box.items[static_cast<std::size_t>(w.box.selection)] = std::move(text);
      else
        w.box.items.push_back(std::move(text));
      break;
    }
  }
}

WindowHandle chooseWindow(FakeEditor& w, uint8_t b) {
  switch (b % 8) {
    case 3:
      return nullptr;
    case 4:
      return w.document.handle();  // has no third ancestor
    case 5:
      return w.box.handle();  // its third ancestor is the frame too
    case 6:
      return w.frame.handle();
    case 7:
      return w.label.handle();
    default:
      return w.view.handle();
  }
}

int32_t clampTo32(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(INT32_MAX, std::max<int64_t>(INT32_MIN, v)));
}

// A coordinate from a little outside the canvas (and brush) to a little
// beyond its far edge.
int32_t nearCanvas(FuzzInput& in, int32_t size, int32_t brushSize) {
  const int64_t reach = std::min<int64_t>(300, std::abs(int64_t{brushSize})) + 8;
  const int64_t low = -reach, high = std::max(0, size) + reach;
  return static_cast<int32_t>(low + in.u16() % (high - low + 1));
}

// Mostly near the canvas or a small step from the last position, sometimes
// anywhere in the 32-bit range, sometimes at its ends.
void moveCursor(FuzzInput& in, PenContext& ctx, const GuardedBitmap& canvas,
                const GuardedBitmap& brush) {
  constexpr int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -(1 << 20) - 1, -1,
                               0,         (1 << 20) + 1, INT32_MAX - 1,  INT32_MAX};
  const uint8_t mode = in.byte();
  if (mode < 0x70) {
    ctx.cursorX = nearCanvas(in, canvas.width(), brush.width());
    ctx.cursorY = nearCanvas(in, canvas.height(), brush.height());
  } else if (mode < 0xB0) {
    ctx.cursorX = clampTo32(int64_t{ctx.cursorX} + static_cast<int8_t>(in.byte()) / 4);
    ctx.cursorY = clampTo32(int64_t{ctx.cursorY} + static_cast<int8_t>(in.byte()) / 4);
  } else if (mode < 0xD0) {
    // the cursor stays where it was
  } else if (mode < 0xE8) {
    const int which = (mode - 0xD0) % 3;
    ctx.cursorX = which != 1 ? in.i32() : nearCanvas(in, canvas.width(), brush.width());
    ctx.cursorY = which != 0 ? in.i32() : nearCanvas(in, canvas.height(), brush.height());
  } else {
    const uint8_t b = in.byte();
    ctx.cursorX = edges[b & 7];
    ctx.cursorY = edges[(b >> 3) & 7];
  }
}

const char* windowName(WindowHandle h) {
  return h ? static_cast<const testing_support::FakeWindow*>(h)->className.c_str() : "null";
}

// Everything one input sets up, and the checks after each message.
class Session {
 public:
  explicit Session(const fuzz::Geometry& g)
      : canvas_(g.canvasWidth, g.canvasHeight),
        modelCanvas_(g.canvasWidth, g.canvasHeight),
        mask_(g.canvasWidth, g.canvasHeight),
        pick_(g.canvasWidth, g.canvasHeight),
        brush_(g.brushWidth, g.brushHeight),
        model_(kLiteralBudget) {}

  void setUp(const fuzz::Geometry& g, FuzzInput& in) {
    Rng rng(g.seed);
    fillCanvas(canvas_, g.canvasMode, rng);
    modelCanvas_.copyPixelsFrom(canvas_);
    fillMask(mask_, g.maskMode, rng);
    fillPick(pick_, rng);
    fillBrush(brush_, g.brush, rng);
    maskPixels_ = mask_.pixels();
    pickPixels_ = pick_.pixels();
    brushPixels_ = brush_.pixels();

    ctx_.hostField0 = 0xC0DE0000;
    ctx_.hostField40 = 0x40404040;
    ctx_.hostField44 = 0x44444444;
    ctx_.canvasHeader = canvas_.header();
    ctx_.canvasBits = canvas_.bits();
    ctx_.maskBits = mask_.bits();
    ctx_.pickBits = pick_.bits();
    ctx_.brushHeader = brush_.header();
    ctx_.brushBits = brush_.bits();
    const uint8_t flags = in.byte();
    ctx_.stateFlags = ((flags & 1) ? PCF_MASK : 0) | ((flags & 2) ? in.u32() : 0);
    ctx_.primaryColour = in.u32();
    ctx_.secondaryColour = in.u32();
    ctx_.toneLevel = fuzz::toneLevel(in);
    ctx_.changedLeft = ctx_.changedTop = ctx_.changedRight = ctx_.changedBottom = -12345;

    windows_.box.items.clear();
    for (int n = in.byte() % 9; n > 0; --n) windows_.box.items.push_back(fuzz::itemText(in));
    windows_.box.selection = windows_.box.items.empty() ? -1 : 0;
    changeBox(windows_, in);

    if (tracing()) {
      std::fprintf(stderr, "canvas %dx%d brush %dx%d flags %08x colours %08x %08x tone %d\n",
                   canvas_.width(), canvas_.height(), brush_.width(), brush_.height(),
                   ctx_.stateFlags, ctx_.primaryColour, ctx_.secondaryColour, ctx_.toneLevel);
      for (const std::string& item : windows_.box.items)
        std::fprintf(stderr, "  item (%zu) '%.60s'\n", item.size(), item.c_str());
    }
  }

  void play(FuzzInput& in) {
    for (index_ = 0; index_ < kMaxMessages && !in.exhausted(); ++index_)
      if (!playOne(in)) return;
  }

 private:
  // The brush pixels over the canvas the pen visits for a message.
  int64_t penWork(uint32_t message, uint32_t keys) const {
    const int64_t W = canvas_.width(), H = canvas_.height();
    const int64_t bw = brush_.width(), bh = brush_.height();
    if (W <= 0 || H <= 0 || bw <= 0 || bh <= 0) return 1;
    const int64_t visible = std::min(bw, W) * std::min(bh, H);
    if (message == WM_LBUTTONDOWN) return visible + 1;
    if (message != WM_MOUSEMOVE || !(keys & MK_LBUTTON)) return 1;
    const int64_t dx = std::abs(int64_t{ctx_.cursorX} - model_.state().prevX);
    const int64_t dy = std::abs(int64_t{ctx_.cursorY} - model_.state().prevY);
    const int64_t span = dx > dy ? W + bw : H + bh;
    return std::min(std::max(dx, dy) + 1, span + 1) * visible + 1;
  }

  // Plays one message; false when the input's work cap is spent.
  bool playOne(FuzzInput& in) {
    // The editor's changes between two messages.
    const uint8_t change = in.byte();
    if (change & 0x01) {
      ctx_.primaryColour = in.u32();
      ctx_.secondaryColour = in.u32();
    }
    if (change & 0x02) ctx_.toneLevel = fuzz::toneLevel(in);
    if (change & 0x04) ctx_.stateFlags ^= PCF_MASK;
    if (change & 0x08) ctx_.stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
    if (change & 0x10) ctx_.stateFlags |= in.u32();
    if (change & 0x20) changeBox(windows_, in);
    const WindowHandle window =
        (change & 0x40) ? chooseWindow(windows_, in.byte()) : windows_.view.handle();
    const bool sparse = (change & 0x80) != 0;
    const int32_t param = sparse ? in.i32() : 0;

    const uint32_t message = fuzz::messageNumber(in);
    const uint32_t keys = fuzz::keyFlags(in);
    moveCursor(in, ctx_, canvas_, brush_);
    penWork_ += penWork(message, keys);
    if (penWork_ > kPenWorkCap) return false;

    // A host may leave null what a message does not need.
    const bool press = message == WM_LBUTTONDOWN;
    const bool drag = message == WM_MOUSEMOVE && (keys & MK_LBUTTON);
    const bool pick = message == WM_RBUTTONDOWN;
    const bool idle = !press && !pick && message != WM_MOUSEMOVE;
    const PenContext wired = ctx_;
    if (sparse) {
      if (!press && !drag) {
        ctx_.canvasBits = nullptr;
        ctx_.brushHeader = nullptr;
        ctx_.brushBits = nullptr;
      }
      if (!pick) ctx_.pickBits = nullptr;
      if (!pick && !press && !drag) ctx_.canvasHeader = nullptr;
      if (!(ctx_.stateFlags & PCF_MASK) || !(press || drag)) ctx_.maskBits = nullptr;
    }
    PenContext* const arg = sparse && idle ? nullptr : &ctx_;

    PenContext modelCtx = ctx_;
    if (modelCtx.canvasBits) modelCtx.canvasBits = modelCanvas_.bits();
    before_ = ctx_;
    testing_support::poisonStack();
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = ZVPen(window, message, keys, param, arg);
    const auto penDone = std::chrono::steady_clock::now();
    const fuzz::ModelOutcome outcome =
        model_.handle(window, message, keys, arg ? &modelCtx : nullptr);
    const auto modelDone = std::chrono::steady_clock::now();

    if (tracing())
      std::fprintf(stderr,
                   "#%d msg %04x keys %08x cursor (%d, %d) window %s%s: blocks %dx%d tone %d "
                   "rect (%d, %d, %d, %d) flags %08x%s\n",
                   index_, message, keys, ctx_.cursorX, ctx_.cursorY, windowName(window),
                   sparse ? " sparse" : "", blockWidth, blockHeight, strokeTone, ctx_.changedLeft,
                   ctx_.changedTop, ctx_.changedRight, ctx_.changedBottom, ctx_.stateFlags,
                   outcome.canvasModelled ? "" : " (over the literal budget)");
    if (tracing())
      std::fprintf(stderr, "    pen %.1f ms, model %.1f ms for literal work %lld\n",
                   std::chrono::duration<double, std::milli>(penDone - start).count(),
                   std::chrono::duration<double, std::milli>(modelDone - penDone).count(),
                   static_cast<long long>(outcome.literalWork));

    check(result == 0, "ZVPen returned %d", result);
    checkBuffers();
    checkContext(outcome, modelCtx);
    checkCanvas(outcome);
    checkPenState();

    // Put back what the host left null.
    const PenContext after = ctx_;
    ctx_ = wired;
    ctx_.stateFlags = after.stateFlags;
    ctx_.primaryColour = after.primaryColour;
    ctx_.secondaryColour = after.secondaryColour;
    ctx_.changedLeft = after.changedLeft;
    ctx_.changedTop = after.changedTop;
    ctx_.changedRight = after.changedRight;
    ctx_.changedBottom = after.changedBottom;
    return true;
  }

  [[gnu::format(printf, 3, 4)]] void check(bool ok, const char* what, ...) const {
    if (ok) return;
    std::fprintf(stderr, "\nPEN FUZZ FAILURE at message #%d: ", index_);
    va_list args;
    va_start(args, what);
    std::vfprintf(stderr, what, args);
    va_end(args);
    std::fprintf(stderr, "\n  canvas %dx%d brush %dx%d; rerun with PEN_FUZZ_TRACE=1\n",
                 canvas_.width(), canvas_.height(), brush_.width(), brush_.height());
    std::abort();
  }

  void checkBuffers() {
    check(canvas_.guardsIntact(), "a canvas guard byte or the canvas header changed");
    check(canvas_.paddingIs(kCanvasPadding), "canvas row padding written");
    check(modelCanvas_.guardsIntact() && modelCanvas_.paddingIs(kCanvasPadding),
          "the literal engine wrote outside the canvas rows");
    check(mask_.guardsIntact() && mask_.pixelsEqual(maskPixels_), "mask changed");
    check(pick_.guardsIntact() && pick_.pixelsEqual(pickPixels_), "pick source changed");
    check(brush_.guardsIntact() && brush_.pixelsEqual(brushPixels_), "brush changed");
  }

  void checkContext(const fuzz::ModelOutcome& outcome, const PenContext& model) {
    const PenContext& b = before_;
    const PenContext& a = ctx_;
    check(a.hostField0 == b.hostField0 && a.hostField40 == b.hostField40 &&
              a.hostField44 == b.hostField44,
          "the editor's own fields changed");
    check(a.canvasHeader == b.canvasHeader && a.canvasBits == b.canvasBits &&
              a.maskBits == b.maskBits && a.pickBits == b.pickBits &&
              a.brushHeader == b.brushHeader && a.brushBits == b.brushBits,
          "a buffer pointer changed");
    check(a.toneLevel == b.toneLevel && a.cursorX == b.cursorX && a.cursorY == b.cursorY,
          "tone level or cursor changed");

    check((a.stateFlags & b.stateFlags) == b.stateFlags, "flags lost bits: %08x -> %08x",
          b.stateFlags, a.stateFlags);
    const uint32_t allowed = (outcome.stamped ? PCF_DRAWN : 0) | (outcome.picked ? PCF_COLOUR : 0);
    check((a.stateFlags & ~b.stateFlags & ~allowed) == 0,
          "flags gained bits they may not: %08x -> %08x", b.stateFlags, a.stateFlags);
    check(a.stateFlags == model.stateFlags, "flags %08x, model %08x", a.stateFlags,
          model.stateFlags);
    check(a.primaryColour == model.primaryColour && a.secondaryColour == model.secondaryColour,
          "colours %08x %08x, model %08x %08x", a.primaryColour, a.secondaryColour,
          model.primaryColour, model.secondaryColour);
    check(a.changedLeft == model.changedLeft && a.changedTop == model.changedTop &&
              a.changedRight == model.changedRight && a.changedBottom == model.changedBottom,
          "changed rectangle (%d, %d, %d, %d), model (%d, %d, %d, %d)", a.changedLeft, a.changedTop,
          a.changedRight, a.changedBottom, model.changedLeft, model.changedTop, model.changedRight,
          model.changedBottom);
  }

  void checkCanvas(const fuzz::ModelOutcome& outcome) {
    if (outcome.canvasModelled) {
      if (canvas_.byteCount() == 0) return;
      const uint8_t* p = canvas_.bits();
      const uint8_t* m = modelCanvas_.bits();
      const std::size_t n = canvas_.byteCount();
      const std::size_t at = static_cast<std::size_t>(std::mismatch(p, p + n, m).first - p);
      check(at == n, "canvas byte %zu (x %zu, row %zu from the bottom) is %02x, literal %02x", at,
            at % canvas_.stride(), at / canvas_.stride(), at < n ? p[at] : 0, at < n ? m[at] : 0);
      return;
    }
    // Over the literal budget: every byte the pen changed must have one of
    // the two colours; then the model takes the pen's canvas.
    const auto primary = static_cast<uint8_t>(ctx_.primaryColour);
    const auto secondary = static_cast<uint8_t>(ctx_.secondaryColour);
    for (std::size_t i = 0; i < canvas_.byteCount(); ++i) {
      const uint8_t v = canvas_.bits()[i];
      check(v == modelCanvas_.bits()[i] || v == primary || v == secondary,
            "canvas byte %zu became %02x, neither colour", i, v);
    }
    modelCanvas_.copyPixelsFrom(canvas_);
  }

  void checkPenState() {
    const fuzz::ModelState& m = model_.state();
    check(prevX == m.prevX && prevY == m.prevY, "previous point (%d, %d), model (%d, %d)", prevX,
          prevY, m.prevX, m.prevY);
    check(blockWidth == m.blockWidth && blockHeight == m.blockHeight, "blocks %dx%d, model %dx%d",
          blockWidth, blockHeight, m.blockWidth, m.blockHeight);
    check(strokeTone == m.strokeTone, "tone %d, model %d", strokeTone, m.strokeTone);
    const std::string text(sizeText, strnlen(sizeText, sizeof sizeText));
    check(text == m.sizeText, "block-size text '%.40s', model '%.40s'", text.c_str(),
          m.sizeText.c_str());
  }

  GuardedBitmap canvas_, modelCanvas_, mask_, pick_, brush_;
  std::vector<uint8_t> maskPixels_, pickPixels_, brushPixels_;
  FakeEditor windows_;
  PenContext ctx_{};
  PenContext before_{};
  fuzz::PenModel model_;
  int index_ = -1;
  int64_t penWork_ = 0;
};

// The pen's module state as the library has it at load.
void loadPen() {
  blockWidth = 3;
  blockHeight = 2;
  strokeTone = 0;
  prevX = 0;
  prevY = 0;
  std::memset(sizeText, 0, sizeof sizeText);
}

// Inputs run, and those in which each row of the table stamped.
int64_t inputsRun = 0;
int64_t inputsTakingRow[kStampPathCount] = {};

void checkPathShares() {
  const double least = std::atof(std::getenv("PEN_FUZZ_PATH_SHARE"));
  bool short_ = false;
  std::fprintf(stderr, "stamping paths over %lld inputs:", static_cast<long long>(inputsRun));
  for (int row = 0; row < kStampPathCount; ++row) {
    const double share = inputsRun > 0 ? 100.0 * static_cast<double>(inputsTakingRow[row]) /
                                             static_cast<double>(inputsRun)
                                       : 0;
    std::fprintf(stderr, " %s %lld (%.1f %%)", stampPathName(row),
                 static_cast<long long>(inputsTakingRow[row]), share);
    short_ = short_ || share < least;
  }
  std::fprintf(stderr, "\n");
  if (short_) {
    std::fprintf(stderr, "PEN FUZZ FAILURE: a stamping path took less than %.1f %% of the inputs\n",
                 least);
    std::fflush(stderr);
    std::_Exit(1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("PEN_FUZZ_PATH_SHARE") != nullptr) std::atexit(checkPathShares);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  int64_t before[kStampPathCount];
  for (int row = 0; row < kStampPathCount; ++row) before[row] = stampPathUses(row);
  FuzzInput in(data, size);
  const fuzz::Geometry geometry = fuzz::readGeometry(in);
  loadPen();
  Session session(geometry);
  session.setUp(geometry, in);
  session.play(in);
  ++inputsRun;
  for (int row = 0; row < kStampPathCount; ++row)
    if (stampPathUses(row) != before[row]) ++inputsTakingRow[row];
  return 0;
}
