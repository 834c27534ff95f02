// The message contract: every message a host sends, in the editor's window
// tree and with pieces of it missing, held to what a host relies on.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "checks.h"
#include "guarded_memory.h"
#include "message_names.h"
#include "pen_session.h"
#include "window_trees.h"
#include "zorvel_windows.h"

namespace {

std::string counted(int calls) { return std::to_string(calls) + " calls"; }

// The scenes and, after them, those of unusual input.
std::vector<SceneSetup> withUnusual(std::vector<SceneSetup> scenes) {
  for (const SceneSetup& u : unusualScenes()) scenes.push_back(u);
  return scenes;
}

// Reports `text` once per key (a kind, a field).
struct Once {
  std::set<std::string> seen;
  bool first(const std::string& key) { return seen.insert(key).second; }
};

// The pointers a message may read, by the host contract.
struct Needs {
  bool canvasHeader, canvasBits, maskBits, pickBits, brushHeader, brushBits;
};
Needs needsOf(const Step& step, bool maskOn) {
  const bool paints = step.message == WM_LBUTTONDOWN ||
                      (step.message == WM_MOUSEMOVE && (step.keyFlags & MK_LBUTTON));
  const bool picks = step.message == WM_RBUTTONDOWN;
  return {paints || picks, paints, paints && maskOn, picks, paints, paints};
}

}  // namespace

void checkMessagesReturn(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  Once once;
  std::set<std::string> kinds;
  const int calls = runScripts(
      c, s, scenesFor(c), Layout(), [](const Stage&, const Step&) {},
      [&](const Stage& stage, const Step& step, const CallEffects& e) {
        kinds.insert(step.kind);
        if (e.result != 0 && once.first(step.kind))
          c.report.fail("returned " + std::to_string(e.result) + ", not 0, for " +
                            describeStep(step, stage.setup()),
                        step.kind);
      });
  if (!c.report.failures())
    c.report.summary(counted(calls) + " of " + std::to_string(kinds.size()) +
                     " kinds of message returned 0 within the timeout");
}

void checkMessagesPointers(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  int calls = 0;
  const int passes = c.strictness() >= 8 ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const bool nulls = pass == 1;
    for (const SceneSetup& setup : scenesFor(c)) {
      Stage stage(setup, Layout());
      const auto canvasSize = static_cast<std::size_t>(stage.stride() * setup.canvasHeight);
      const auto brushSize = static_cast<std::size_t>(stage.brushStride() * setup.brushHeight);
      // Where each pointer aims when the message does not need it.
      Block standIns[6] = {Block(Block::Kind::StandIn, 40, "canvasHeader"),
                           Block(Block::Kind::StandIn, canvasSize, "canvasBits"),
                           Block(Block::Kind::StandIn, canvasSize, "maskBits"),
                           Block(Block::Kind::StandIn, canvasSize, "pickBits"),
                           Block(Block::Kind::StandIn, 40, "brushHeader"),
                           Block(Block::Kind::StandIn, brushSize, "brushBits")};
      if (!stage.ok()) continue;
      selectBoxItem(s.tree->box, setup.boxItem);
      for (const Step& step : standardScript(setup, c.rng, c.strictness())) {
        if (c.excludes(step.kind)) continue;
        prepareRecord(stage, step);
        stage.pointAtBuffers();
        PenContext* r = stage.ctx();
        const Needs n = needsOf(step, setup.maskOn);
        const bool need[6] = {n.canvasHeader, n.canvasBits,  n.maskBits,
                              n.pickBits,     n.brushHeader, n.brushBits};
        auto aim = [&](int i, void* to) {
          switch (i) {
            case 0:
              r->canvasHeader = to;
              break;
            case 1:
              r->canvasBits = static_cast<uint8_t*>(to);
              break;
            case 2:
              r->maskBits = static_cast<const uint8_t*>(to);
              break;
            case 3:
              r->pickBits = static_cast<const uint8_t*>(to);
              break;
            case 4:
              r->brushHeader = to;
              break;
            default:
              r->brushBits = static_cast<const uint8_t*>(to);
              break;
          }
        };
        static const char* const names[6] = {"canvasHeader", "canvasBits",  "maskBits",
                                             "pickBits",     "brushHeader", "brushBits"};
        std::string nulled;
        for (int i = 0; i < 6; ++i) {
          if (need[i]) continue;
          aim(i, nulls ? nullptr : standIns[i].data());
          nulled += (nulled.empty() ? "" : ", ") + std::string(names[i]);
        }
        if (nulls) {
          forgetRegions(0, 0x10000);
          Region r0;
          r0.begin = 0;
          r0.end = 0x10000;
          r0.role = RegionRole::Null;
          std::snprintf(r0.name, sizeof r0.name, "%s", nulled.c_str());
          watchRegion(r0);
        }
        sendStep(c, s.pen, s.tree->view, stage, step, true);
        ++calls;
      }
      forgetRegions(0, 0x10000);
    }
  }
  if (!c.report.failures())
    c.report.summary(counted(calls) +
                     ": each read only the pointers its message needs (the "
                     "others aimed at no-access pages" +
                     std::string(passes > 1 ? ", then were null)" : ")"));
}

void checkMessagesWrites(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  Once once;
  int calls = 0;
  const int passes = c.strictness() >= 9 ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    Layout layout;
    layout.canvas = Block::Kind::Guarded;
    layout.readOnly = Block::Kind::GuardedRO;
    layout.atStart = pass == 1;
    calls += runScripts(
        c, s, withUnusual(scenesFor(c)), layout, [](const Stage&, const Step&) {},
        [&](const Stage& stage, const Step& step, const CallEffects&) {
          const SceneSetup& setup = stage.setup();
          // Row padding keeps its marker.
          for (int32_t y = 0; y < setup.canvasHeight; ++y)
            for (int64_t x = setup.canvasWidth; x < stage.stride(); ++x) {
              uint8_t& b = stage.canvas()[(setup.canvasHeight - 1 - y) * stage.stride() + x];
              if (b == 0xEE) continue;
              if (once.first(std::string("padding ") + step.kind))
                c.report.fail("wrote the row padding of the canvas (row " + std::to_string(y) +
                                  ", byte " + std::to_string(x) + " of a " +
                                  std::to_string(stage.stride()) + "-byte row, beyond the " +
                                  std::to_string(setup.canvasWidth) + " pixels) during " +
                                  describeStep(step, setup),
                              step.kind);
              b = 0xEE;
            }
          const Block& canvas = stage.canvasBlock();
          for (std::size_t i = 0; i < canvas.gapSize(); ++i)
            if (canvas.gap()[i] != Block::kGapByte) {
              if (once.first(std::string("gap ") + step.kind))
                c.report.fail(
                    std::string("wrote outside the canvas's bytes, ") +
                        (canvas.gap() < canvas.data() ? "before its start" : "after its end") +
                        ", during " + describeStep(step, setup),
                    step.kind);
              break;
            }
        });
  }
  if (!c.report.failures())
    c.report.summary(counted(calls) +
                     " wrote only the canvas's pixels (buffers between no-access pages" +
                     std::string(passes > 1 ? ", flush at either end" : "") +
                     "; headers, mask, pick source and brush read-only)");
}

void checkMessagesFields(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  Once once;
  PenContext before{};
  Layout layout;
  layout.record = Block::Kind::Guarded;
  const int calls = runScripts(
      c, s, withUnusual(scenesFor(c)), layout,
      [&](const Stage& stage, const Step&) {
        PenContext* r = stage.ctx();
        // Bits the host uses for itself, and now and then the pen's own.
        r->stateFlags =
            (c.rng.next32() & ~(PCF_DRAWN | PCF_COLOUR | PCF_MASK)) | (r->stateFlags & PCF_MASK);
        if (c.rng.chance(25)) r->stateFlags |= c.rng.chance(50) ? PCF_DRAWN : PCF_COLOUR;
        // Markers, so that any write of the rectangle shows.
        r->changedLeft = 0x7A7A7A01;
        r->changedTop = 0x7A7A7A02;
        r->changedRight = 0x7A7A7A03;
        r->changedBottom = 0x7A7A7A04;
        before = *r;
      },
      [&](const Stage& stage, const Step& step, const CallEffects&) {
        PenContext* r = stage.ctx();
        const std::string during = " during " + describeStep(step, stage.setup());
        auto field = [&](const char* name, bool same) {
          if (!same && once.first(std::string(name) + step.kind))
            c.report.fail(std::string("changed ") + name + during, step.kind);
        };
        field("the host's field at offset 0", r->hostField0 == before.hostField0);
        field("the host's field at offset 40", r->hostField40 == before.hostField40);
        field("the host's field at offset 44", r->hostField44 == before.hostField44);
        field("canvasHeader", r->canvasHeader == before.canvasHeader);
        field("canvasBits", r->canvasBits == before.canvasBits);
        field("maskBits", r->maskBits == before.maskBits);
        field("pickBits", r->pickBits == before.pickBits);
        field("brushHeader", r->brushHeader == before.brushHeader);
        field("brushBits", r->brushBits == before.brushBits);
        field("toneLevel", r->toneLevel == before.toneLevel);
        field("cursorX", r->cursorX == before.cursorX);
        field("cursorY", r->cursorY == before.cursorY);
        const uint32_t cleared = before.stateFlags & ~r->stateFlags;
        if (cleared && once.first(std::string("cleared") + step.kind))
          c.report.fail("cleared stateFlags bit(s) " + hex32(cleared) + " (flags " +
                            hex32(before.stateFlags) + " became " + hex32(r->stateFlags) +
                            "; a pen only sets bits)" + during,
                        step.kind);
        const uint32_t foreign = r->stateFlags & ~before.stateFlags & ~(PCF_DRAWN | PCF_COLOUR);
        if (foreign && once.first(std::string("set") + step.kind))
          c.report.fail("set stateFlags bit(s) " + hex32(foreign) +
                            ", which are the host's (a pen sets only PCF_DRAWN 0x03000000 and "
                            "PCF_COLOUR 0x04000000)" +
                            during,
                        step.kind);
        const bool picks = step.message == WM_RBUTTONDOWN;
        std::string colours;
        if (r->primaryColour != before.primaryColour)
          colours = "primaryColour from " + hex32(before.primaryColour) + " to " +
                    hex32(r->primaryColour);
        if (r->secondaryColour != before.secondaryColour)
          colours += (colours.empty() ? "" : " and ") + std::string("secondaryColour from ") +
                     hex32(before.secondaryColour) + " to " + hex32(r->secondaryColour);
        if (!colours.empty() && !picks && once.first(std::string("colour") + step.kind))
          c.report.fail("changed " + colours +
                            " on a message that picks no colour (only WM_RBUTTONDOWN picks; a "
                            "host that takes the colours back would lose the user's)" +
                            during,
                        step.kind);
        else if (!colours.empty() && !(before.stateFlags & PCF_COLOUR) &&
                 !(r->stateFlags & PCF_COLOUR) && once.first(std::string("colour") + step.kind))
          c.report.fail("changed " + colours +
                            " without setting PCF_COLOUR (a host takes the colours back only "
                            "after PCF_COLOUR)" +
                            during,
                        step.kind);
        const bool rectangleWritten =
            r->changedLeft != before.changedLeft || r->changedTop != before.changedTop ||
            r->changedRight != before.changedRight || r->changedBottom != before.changedBottom;
        if (rectangleWritten && !(before.stateFlags & PCF_DRAWN) && !(r->stateFlags & PCF_DRAWN) &&
            once.first(std::string("rectangle") + step.kind))
          c.report.fail(
              "wrote the changed rectangle without setting PCF_DRAWN (the host owns "
              "those fields until the pen reports a change)" +
                  during,
              step.kind);
        // Put back what was broken, so that one fault is reported once.
        const uint32_t flags = r->stateFlags;
        const PenContext keep = *r;
        *r = before;
        r->stateFlags = flags | before.stateFlags;
        r->changedLeft = keep.changedLeft;
        r->changedTop = keep.changedTop;
        r->changedRight = keep.changedRight;
        r->changedBottom = keep.changedBottom;
        const Block& record = stage.recordBlock();
        for (std::size_t i = 0; i < record.gapSize(); ++i)
          if (record.gap()[i] != Block::kGapByte) {
            if (once.first(std::string("before record") + step.kind))
              c.report.fail("wrote before the start of the PenContext record" + during, step.kind);
            break;
          }
      });
  if (!c.report.failures())
    c.report.summary(counted(calls) + " left the host's fields and bits alone and cleared no bit");
}

void checkMessagesRectangle(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  Once once;
  std::vector<uint8_t> canvasBefore;
  constexpr int32_t kUnset[4] = {0x7A7A7A01, 0x7A7A7A02, 0x7A7A7A03, 0x7A7A7A04};
  // Painting outside the rectangle, gathered: how often, how far, the first.
  int painting = 0, outside = 0, silent = 0;
  int64_t beyond[4] = {0, 0, 0, 0};  // columns left, rows above, columns right, rows below
  std::string firstOutside, firstSilent;
  const int calls = runScripts(
      c, s, scenesFor(c), Layout(),
      [&](const Stage& stage, const Step&) {
        PenContext* r = stage.ctx();
        r->changedLeft = kUnset[0];
        r->changedTop = kUnset[1];
        r->changedRight = kUnset[2];
        r->changedBottom = kUnset[3];
        canvasBefore.assign(stage.canvas(), stage.canvas() + stage.canvasBytes());
      },
      [&](const Stage& stage, const Step& step, const CallEffects&) {
        const PenContext* r = stage.ctx();
        const SceneSetup& setup = stage.setup();
        const uint32_t drawn = r->stateFlags & PCF_DRAWN;
        if (drawn && drawn != PCF_DRAWN && once.first(std::string("half") + step.kind))
          c.report.fail("set only " + hex32(drawn) +
                            " of PCF_DRAWN (0x03000000: both bits, "
                            "together) during " +
                            describeStep(step, setup),
                        step.kind);
        const int32_t rect[4] = {r->changedLeft, r->changedTop, r->changedRight, r->changedBottom};
        static const char* const names[4] = {"changedLeft", "changedTop", "changedRight",
                                             "changedBottom"};
        if (drawn) {
          std::string unset;
          for (int i = 0; i < 4; ++i)
            if (rect[i] == kUnset[i]) unset += (unset.empty() ? "" : ", ") + std::string(names[i]);
          if (!unset.empty() && once.first(std::string("unset") + step.kind))
            c.report.fail("set PCF_DRAWN but left " + unset + " as the host had them, during " +
                              describeStep(step, setup),
                          step.kind);
        }
        int changed = 0, out = 0;
        int64_t reach[4] = {0, 0, 0, 0};
        for (int32_t y = 0; y < setup.canvasHeight; ++y)
          for (int32_t x = 0; x < setup.canvasWidth; ++x) {
            const std::size_t at =
                static_cast<std::size_t>((setup.canvasHeight - 1 - y) * stage.stride() + x);
            if (stage.canvas()[at] == canvasBefore[at]) continue;
            ++changed;
            if (x >= rect[0] && x < rect[2] && y >= rect[1] && y < rect[3]) continue;
            ++out;
            reach[0] = std::max<int64_t>(reach[0], int64_t{rect[0]} - x);
            reach[1] = std::max<int64_t>(reach[1], int64_t{rect[1]} - y);
            reach[2] = std::max<int64_t>(reach[2], int64_t{x} - rect[2] + 1);
            reach[3] = std::max<int64_t>(reach[3], int64_t{y} - rect[3] + 1);
          }
        if (!changed) return;
        ++painting;
        char where[96];
        std::snprintf(where, sizeof where, " (rectangle %d, %d, %d, %d; %d of %d bytes outside)",
                      rect[0], rect[1], rect[2], rect[3], out, changed);
        if (!drawn) {
          if (!silent++) firstSilent = describeStep(step, setup);
        } else if (out) {
          if (!outside++) firstOutside = describeStep(step, setup) + where;
          for (int i = 0; i < 4; ++i) beyond[i] = std::max(beyond[i], reach[i]);
        }
      });
  if (outside) {
    char reach[200];
    std::snprintf(reach, sizeof reach,
                  "up to %lld column(s) left of it, %lld row(s) above, %lld column(s) right and "
                  "%lld row(s) below",
                  static_cast<long long>(beyond[0]), static_cast<long long>(beyond[1]),
                  static_cast<long long>(beyond[2]), static_cast<long long>(beyond[3]));
    c.report.warn("painted outside the changed rectangle it reported on " +
                  std::to_string(outside) + " of " + std::to_string(painting) +
                  " painting calls, " + reach +
                  "; a host that repaints only the rectangle would not show those pixels "
                  "(first: " +
                  firstOutside + ")");
  }
  if (silent)
    c.report.warn("changed canvas bytes without setting PCF_DRAWN on " + std::to_string(silent) +
                  " call(s); a host that repaints on PCF_DRAWN shows none of it (first: " +
                  firstSilent + ")");
  if (!c.report.failures() && !c.report.warnings())
    c.report.summary(counted(calls) +
                     ": every PCF_DRAWN came with the rectangle of what "
                     "changed");
  else if (!c.report.failures())
    c.report.summary(counted(calls) + ": every PCF_DRAWN came with a changed rectangle");
}

void checkMessagesTree(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  Once once;
  int calls = 0;
  SceneSetup setup;
  // The whole tree first, as ordinary input; each variant then with the same
  // script, judged against what the whole tree gave.
  std::vector<int32_t> whole;
  for (int v = 0; v < TreeVariant::count(); ++v) {
    TreeVariant variant(v);
    if (!variant.ok()) {
      c.report.note("could not build " + variant.description());
      continue;
    }
    Stage stage(setup, Layout());
    if (!stage.ok()) continue;
    Rng rng(c.options.seed, "tree script");
    std::size_t index = 0;
    for (const Step& step : standardScript(setup, rng, c.strictness())) {
      if (c.excludes(step.kind)) continue;
      const std::size_t at = index++;
      prepareRecord(stage, step);
      beginCall(step.kind, v == 0, describeStep(step, setup) + ", with " + variant.description());
      const CallEffects e =
          callPen(pen, variant.window(), step.message, step.keyFlags, 0x12345678, stage.ctx());
      endCall();
      ++calls;
      if (v == 0) whole.push_back(e.result);
      if (v > 0 && e.result != 0 && at < whole.size() && whole[at] == 0 &&
          once.first(variant.description() + step.kind))
        c.report.fail("returned " + std::to_string(e.result) + " with " + variant.description() +
                          " for " + describeStepShort(step),
                      step.kind);
    }
  }
  if (!c.report.failures())
    c.report.summary(counted(calls) + " with " + std::to_string(TreeVariant::count() - 1) +
                     " broken window trees returned 0 within the timeout");
}
