// Hostile input: geometry, cursors, tone levels and box items that no sane
// host sends but a pen must survive, every call within the timeout. Each
// kind of message is first sent once with ordinary input, so that a crash
// that has nothing to do with the hostile part is left to messages.returns.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "checks.h"
#include "guarded_memory.h"
#include "message_names.h"
#include "pen_session.h"
#include "pen_strings.h"
#include "zorvel_windows.h"

namespace {

struct Session : PenSession {
  int calls = 0;
};

// The ordinary first call of each kind the check uses.
void probe(CheckContext& c, Session& s) {
  SceneSetup setup;
  Stage stage(setup, Layout());
  if (!stage.ok()) return;
  selectBoxItem(s.tree->box, setup.boxItem);
  const Step steps[] = {{"lpress", WM_LBUTTONDOWN, MK_LBUTTON, 5, 5},
                        {"drag", WM_MOUSEMOVE, MK_LBUTTON, 9, 7},
                        {"move", WM_MOUSEMOVE, 0, 9, 7},
                        {"lrelease", WM_LBUTTONUP, 0, 9, 7},
                        {"rpress-in", WM_RBUTTONDOWN, MK_RBUTTON, 2, 2},
                        {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, -1, 0}};
  for (const Step& step : steps) {
    if (c.excludes(step.kind)) continue;
    prepareRecord(stage, step);
    sendStep(c, s.pen, s.tree->view, stage, step, true);
  }
}

// Sends one hostile message with `ctx` filled already; the record's
// description names what is hostile.
void hostile(CheckContext& c, Session& s, PenContext* ctx, const char* kind, uint32_t message,
             uint32_t keyFlags, int32_t x, int32_t y, const std::string& what) {
  // A drag means nothing without the press it follows.
  if (c.excludes(kind) || (std::string(kind) == "drag" && c.excludes("lpress"))) return;
  ctx->cursorX = x;
  ctx->cursorY = y;
  ctx->stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
  char at[64];
  std::snprintf(at, sizeof at, " at (%d, %d)", static_cast<int>(x), static_cast<int>(y));
  beginCall(kind, false, messageName(message) + at + " with " + what);
  callPen(s.pen, s.tree->view, message, keyFlags, 0, ctx);
  endCall();
  ++s.calls;
}

// A bitmap of any size: committed whole up to 256 MiB when `whole` (a pen
// may read every byte of a brush), else reserved and committed as the pen
// touches it.
struct BigBitmap {
  Block header, bits;
  int64_t width = 0, height = 0, stride = 0;
  bool place(int64_t w, int64_t h, const std::string& name, uint8_t fill, bool whole = false) {
    width = w;
    height = h;
    stride = (w + 3) & ~int64_t{3};
    const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(h);
    if (bytes > SIZE_MAX / 2) return false;
    const bool small = bytes <= (whole ? (256u << 20) : (1u << 20));
    bits = Block(small ? Block::Kind::Slack : Block::Kind::Lazy, static_cast<std::size_t>(bytes),
                 name, fill);
    header = Block(Block::Kind::Slack, 40, name + " header", 0);
    if (!bits.ok() || !header.ok()) return false;
    bits.setGeometry(w, h, stride);
    uint8_t* p = header.data();
    const uint32_t size = 40, w32 = static_cast<uint32_t>(w), h32 = static_cast<uint32_t>(h);
    std::memcpy(p, &size, 4);
    std::memcpy(p + 4, &w32, 4);
    std::memcpy(p + 8, &h32, 4);
    p[12] = 1;
    p[14] = 8;
    return true;
  }
};

// Halves the larger side for the next try; false when there is nothing left to halve.
bool shrink(int64_t& w, int64_t& h) {
  if (w > 1)
    w = w / 2 + 1;
  else if (h > 1)
    h = h / 2 + 1;
  else
    return false;
  return true;
}

void aim(PenContext& ctx, const BigBitmap& canvas, const BigBitmap& mask, const BigBitmap& pick,
         const BigBitmap& brush) {
  ctx.canvasHeader = canvas.header.data();
  ctx.canvasBits = canvas.bits.data();
  ctx.maskBits = mask.bits.data();
  ctx.pickBits = pick.bits.data();
  ctx.brushHeader = brush.header.data();
  ctx.brushBits = brush.bits.data();
}

std::string size(int64_t w, int64_t h) { return std::to_string(w) + " x " + std::to_string(h); }

}  // namespace

void checkHostileCanvas(CheckContext& c) {
  Session s;
  if (!s.open(c)) return;
  probe(c, s);
  s.tree->select("3x2 pixels");
  PenContext ctx{};
  ctx.primaryColour = 9;
  ctx.secondaryColour = 12;
  ctx.toneLevel = 8;
  // Canvases: as wide (or tall) as asked, or as the address space allows.
  struct Shape {
    int64_t w, h;
  };
  std::vector<Shape> shapes = {{1, 1},  {2, 1},  {3, 2},    {4, 1},    {5, 3},     {63, 1},
                               {64, 2}, {65, 3}, {4095, 1}, {4097, 2}, {65537, 1}, {1, 65537}};
  if (c.strictness() >= 8) shapes.insert(shapes.end(), {{(1 << 24) + 1, 1}, {1, (1 << 24) + 1}});
  if (c.strictness() >= 10) shapes.insert(shapes.end(), {{INT32_MAX, 1}, {1, INT32_MAX}});
  std::string widest;
  int64_t widestUsed = 0, tallestUsed = 0;
  for (Shape shape : shapes) {
    BigBitmap canvas, mask, pick;
    const int64_t askedW = shape.w, askedH = shape.h;
    while (!(canvas.place(shape.w, shape.h, "the canvas", 0) &&
             mask.place(shape.w, shape.h, "the mask", 1) &&
             pick.place(shape.w, shape.h, "the pick source", 0))) {
      canvas = BigBitmap();
      mask = BigBitmap();
      pick = BigBitmap();
      if (!shrink(shape.w, shape.h)) break;
    }
    if (!canvas.bits.ok()) continue;
    if (shape.w != askedW || shape.h != askedH)
      widest += (widest.empty() ? "" : "; ") + size(shape.w, shape.h) + " in place of " +
                size(askedW, askedH) + ", which the address space could not hold";
    if (shape.h == 1) widestUsed = std::max(widestUsed, shape.w);
    if (shape.w == 1) tallestUsed = std::max(tallestUsed, shape.h);
    BigBitmap brush;
    brush.place(3, 3, "the brush", 0);
    aim(ctx, canvas, mask, pick, brush);
    const int32_t w = static_cast<int32_t>(shape.w), h = static_cast<int32_t>(shape.h);
    const std::string what = "a " + size(w, h) + " canvas";
    for (uint32_t mask32 : {0u, PCF_MASK}) {
      ctx.stateFlags = mask32;
      const std::string with = what + (mask32 ? ", mask on" : "");
      hostile(c, s, &ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, with);
      hostile(c, s, &ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, w > 8 ? 8 : w - 1, h > 8 ? 8 : h - 1,
              with);
      hostile(c, s, &ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, w - 1, h - 1, with);
      hostile(c, s, &ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, w - 1, h > 5 ? h - 5 : 0, with);
      hostile(c, s, &ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, w / 2, h / 2, with);
      hostile(c, s, &ctx, "lrelease", WM_LBUTTONUP, 0, w / 2, h / 2, with);
      hostile(c, s, &ctx, "rpress-in", WM_RBUTTONDOWN, MK_RBUTTON, w - 1, h - 1, with);
      hostile(c, s, &ctx, "rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, w, h, with);
    }
  }
  // Brushes from nothing to huge, on a small canvas.
  BigBitmap canvas, mask, pick;
  canvas.place(64, 48, "the canvas", 0);
  mask.place(64, 48, "the mask", 1);
  pick.place(64, 48, "the pick source", 0);
  std::vector<Shape> brushes = {{0, 0}, {0, 7}, {7, 0}, {1, 1}, {256, 256}, {4096, 4096}};
  if (c.strictness() >= 9) brushes.insert(brushes.end(), {{1 << 28, 1}, {1, 1 << 26}});
  for (Shape shape : brushes) {
    BigBitmap brush;
    const int64_t askedW = shape.w, askedH = shape.h;
    while (!brush.place(shape.w, shape.h, "the brush", 0, true))
      if (!shrink(shape.w, shape.h)) break;
    if (!brush.bits.ok()) continue;
    if (shape.w != askedW || shape.h != askedH)
      widest += (widest.empty() ? "" : "; ") + std::string("a brush of ") + size(shape.w, shape.h) +
                " in place of " + size(askedW, askedH);
    aim(ctx, canvas, mask, pick, brush);
    ctx.stateFlags = 0;
    const std::string what =
        "a " + size(shape.w, shape.h) + " brush of all ink on a 64 x 48 canvas";
    hostile(c, s, &ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, 32, 24, what);
    hostile(c, s, &ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, 40, 30, what);
    hostile(c, s, &ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, -10, 60, what);
    hostile(c, s, &ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, -30, -30, what);
    hostile(c, s, &ctx, "lrelease", WM_LBUTTONUP, 0, -30, -30, what);
  }
  if (!widest.empty()) c.report.note("used " + widest);
  c.report.summary(std::to_string(s.calls) + " calls returned within the timeout; canvases from " +
                   "1 x 1 to " + size(widestUsed, 1) + " and " + size(1, tallestUsed) +
                   (widest.empty() ? "" : " (" + widest + ")") + ", brushes from 0 x 0 to " +
                   (c.strictness() >= 9 ? "268435456 x 1 and 1 x 67108864" : "4096 x 4096"));
}

void checkHostileCursor(CheckContext& c) {
  Session s;
  if (!s.open(c)) return;
  probe(c, s);
  SceneSetup setup;
  setup.brushWidth = setup.brushHeight = 5;
  Stage stage(setup, Layout());
  if (!stage.ok()) return;
  PenContext* ctx = stage.ctx();
  const int32_t distant[] = {INT32_MIN, INT32_MIN + 1, -(1 << 30),    -1,       0,
                             40,        1 << 30,       INT32_MAX - 1, INT32_MAX};
  for (const char* item : {"3x2 pixels", "1x1 pixel", "16x16 pixels"}) {
    s.tree->select(item);
    const std::string what = std::string("box '") + item + "', a 5 x 5 brush on a 37 x 23 canvas";
    for (int32_t x : distant)
      for (int32_t y : {INT32_MIN, 0, INT32_MAX}) {
        ctx->toneLevel = 6;
        hostile(c, s, ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, x, y, what);
        hostile(c, s, ctx, "rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, x, y, what);
        hostile(c, s, ctx, "move", WM_MOUSEMOVE, 0, x, y, what);
      }
    // Drags across the whole coordinate range, each way.
    const int32_t corners[][2] = {{INT32_MIN, INT32_MIN},
                                  {INT32_MAX, INT32_MAX},
                                  {INT32_MIN, INT32_MAX},
                                  {INT32_MAX, INT32_MIN},
                                  {10, 10},
                                  {INT32_MAX, 10},
                                  {INT32_MIN, 11},
                                  {10, INT32_MIN}};
    hostile(c, s, ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, 10, 10, what);
    for (const auto& p : corners)
      hostile(c, s, ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, p[0], p[1], what + ", a drag");
  }
  s.tree->select("3x2 pixels");
  for (int32_t tone : {-1, 17, -16, 32, INT32_MIN, INT32_MAX, INT32_MIN + 16})
    for (uint32_t shift : {0u, static_cast<uint32_t>(MK_SHIFT)}) {
      ctx->toneLevel = tone;
      const std::string what = "tone level " + std::to_string(tone) + (shift ? " and Shift" : "");
      hostile(c, s, ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON | shift, 4, 4, what);
      hostile(c, s, ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON | shift, 30, 20, what);
    }
  ctx->toneLevel = 6;
  ctx->primaryColour = 0xFFFFFFFF;
  ctx->secondaryColour = 0x80000000;
  hostile(c, s, ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, 4, 4,
          "colours 0xFFFFFFFF and 0x80000000");
  c.report.summary(std::to_string(s.calls) +
                   " calls with cursors at +-2^31, drags across the whole range and tone levels "
                   "outside 0..16 returned within the timeout");
}

void checkHostileBox(CheckContext& c) {
  Session s;
  if (!s.open(c)) return;
  probe(c, s);
  SceneSetup setup;
  Stage stage(setup, Layout());
  if (!stage.ok()) return;
  PenContext* ctx = stage.ctx();
  const std::string pad = "5x3 ";
  std::vector<std::string> items = {pad + std::string(251, 'p'),  // 255 characters
                                    pad + std::string(252, 'p'),  // 256
                                    pad + std::string(296, 'q'),  // 300
                                    "3x2 \x92\xB7\x95\xFB\x8C\x60",
                                    "\x83\x73\x83\x4Ex2 ",
                                    "3\xFFx2 ",
                                    "3x2\xA0",
                                    "\x81\x40"
                                    "3x2 ",
                                    "2147483647x2147483647 ",
                                    "2147483648x1 ",
                                    "99999999999x2 ",
                                    "0x0 ",
                                    "1x0 ",
                                    " ",
                                    "x ",
                                    "4x",
                                    "4x4" + std::string(260, ' ')};
  auto stroke = [&](const std::string& what) {
    hostile(c, s, ctx, "lpress", WM_LBUTTONDOWN, MK_LBUTTON, 5, 5, what);
    hostile(c, s, ctx, "drag", WM_MOUSEMOVE, MK_LBUTTON, 30, 20, what);
    hostile(c, s, ctx, "lrelease", WM_LBUTTONUP, 0, 30, 20, what);
  };
  for (const std::string& item : items) {
    s.tree->select(item);
    stroke("the item '" + cp932Text(item.substr(0, 24)) + (item.size() > 24 ? "..." : "") + "' (" +
           std::to_string(item.size()) + " bytes) selected");
  }
  s.tree->clearSelection();
  stroke("no item selected");
  SendMessageA(s.tree->box, CB_RESETCONTENT, 0, 0);
  stroke("a box with no items");
  c.report.summary(std::to_string(s.calls) + " calls with " + std::to_string(items.size() + 2) +
                   " hostile box states (255, 256 and 300 characters, bytes above 0x7F, sizes "
                   "beyond 32 bits, no selection, no items) returned within the timeout");
}
