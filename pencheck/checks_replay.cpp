// Determinism: a seeded random session, replayed after the library is
// loaded afresh and with other garbage on the stack, must paint the same
// bytes and set the same fields. A pen that reads a local before writing it
// shows here.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "checks.h"
#include "pen_session.h"
#include "zorvel_windows.h"

namespace {

// What one message left behind.
struct Trace {
  int32_t result;
  std::vector<uint8_t> canvas;
  PenContext record;
};

struct SessionStep {
  Step step;
  std::string boxItem;  // selected before the step; "-" leaves the box alone
};

std::vector<SessionStep> randomSession(const SceneSetup& setup, Rng& rng, int length) {
  static const char* const items[] = {
      "1x1 pixel", "3x2 pixels", "4x2 pixels", "16x16 pixels", "7x5 big", "2X3 ", ""};
  std::vector<SessionStep> steps;
  for (int i = 0; i < length; ++i) {
    SessionStep s{randomStep(setup, rng), "-"};
    if (s.step.message == WM_LBUTTONDOWN && rng.chance(50)) s.boxItem = rng.pick(items);
    steps.push_back(s);
  }
  return steps;
}

// Replays the session on a fresh stage; the stack is filled with a word
// that depends on the step and on `run`.
std::vector<Trace> replay(CheckContext& c, const Pen& pen, zorvel_windows::Tree& tree,
                          const SceneSetup& setup, const std::vector<SessionStep>& steps, int run) {
  std::vector<Trace> traces;
  Stage stage(setup, Layout());
  if (!stage.ok()) return traces;
  selectBoxItem(tree.box, setup.boxItem);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const SessionStep& s = steps[i];
    if (c.excludes(s.step.kind)) continue;
    if (s.boxItem != "-") selectBoxItem(tree.box, s.boxItem);
    const uint32_t word = Rng(i * 2654435761u + 17).next32();
    setStackPoison(run == 0 ? word : ~word ^ 0x5A5A5A5Au);
    prepareRecord(stage, s.step);
    const CallEffects e = sendStep(c, pen, tree.view, stage, s.step, true);
    traces.push_back({e.result,
                      std::vector<uint8_t>(stage.canvas(), stage.canvas() + stage.canvasBytes()),
                      *stage.ctx()});
  }
  return traces;
}

std::string fieldDifference(const PenContext& a, const PenContext& b) {
  const struct {
    const char* name;
    int64_t x, y;
  } fields[] = {{"stateFlags", a.stateFlags, b.stateFlags},
                {"primaryColour", a.primaryColour, b.primaryColour},
                {"secondaryColour", a.secondaryColour, b.secondaryColour},
                {"changedLeft", a.changedLeft, b.changedLeft},
                {"changedTop", a.changedTop, b.changedTop},
                {"changedRight", a.changedRight, b.changedRight},
                {"changedBottom", a.changedBottom, b.changedBottom}};
  for (const auto& f : fields)
    if (f.x != f.y)
      return std::string(f.name) + " was " + std::to_string(f.x) + " the first time and " +
             std::to_string(f.y) + " the second";
  return "";
}

}  // namespace

void checkDeterminism(CheckContext& c) {
  PenSession session;
  if (!session.open(c)) return;
  Pen& pen = session.pen;
  zorvel_windows::Tree& tree = *session.tree;
  const int sessions = c.strictness() >= 10 ? 3 : c.strictness() >= 8 ? 2 : 1;
  const int length = c.strictness() >= 10 ? 200 : 100;
  int compared = 0;
  bool pinned = false;
  for (int n = 0; n < sessions && !c.report.failures(); ++n) {
    const SceneSetup setup = n == 0 ? scenesFor(c).front() : randomScene(c.rng);
    const std::vector<SessionStep> steps = randomSession(setup, c.rng, length);
    // Each run starts from a freshly loaded library.
    if (!unloadPen(pen)) pinned = true;
    if (!loadOrSkip(c, pen)) return;
    const std::vector<Trace> first = replay(c, pen, tree, setup, steps, 0);
    if (!unloadPen(pen)) pinned = true;
    if (!loadOrSkip(c, pen)) return;
    const std::vector<Trace> second = replay(c, pen, tree, setup, steps, 1);
    std::size_t t = 0;
    for (std::size_t i = 0; i < steps.size() && t < first.size() && t < second.size(); ++i) {
      const SessionStep& s = steps[i];
      if (c.excludes(s.step.kind)) continue;
      const Trace &a = first[t], &b = second[t];
      ++t;
      ++compared;
      std::string what;
      if (a.result != b.result) {
        what = "the result was " + std::to_string(a.result) + " the first time and " +
               std::to_string(b.result) + " the second";
      } else if (a.canvas != b.canvas) {
        int differing = 0;
        std::size_t firstAt = 0;
        for (std::size_t k = 0; k < a.canvas.size(); ++k)
          if (a.canvas[k] != b.canvas[k] && !differing++) firstAt = k;
        const int64_t stride = (int64_t{setup.canvasWidth} + 3) & ~int64_t{3};
        const int64_t y = setup.canvasHeight - 1 - static_cast<int64_t>(firstAt) / stride;
        const int64_t x = static_cast<int64_t>(firstAt) % stride;
        char text[200];
        std::snprintf(text, sizeof text,
                      "%d canvas byte(s) differ, first at (%lld, %lld): %u the first time, %u "
                      "the second",
                      differing, static_cast<long long>(x), static_cast<long long>(y),
                      a.canvas[firstAt], b.canvas[firstAt]);
        what = text;
      } else {
        what = fieldDifference(a.record, b.record);
      }
      if (what.empty()) continue;
      c.report.fail("message " + std::to_string(i + 1) + " of a seeded session of " +
                        std::to_string(steps.size()) + " (" + describeStep(s.step, setup) +
                        ") gave other results after the library was loaded afresh and the "
                        "stack held other garbage: " +
                        what +
                        (pinned ? " (the library could not be unloaded, so its state carried "
                                  "over)"
                                : "; a local read before it is written is the usual cause"),
                    s.step.kind);
      break;
    }
  }
  setStackPoison(0xCCCCCCCCu);
  unloadPen(pen);
  if (!c.report.failures())
    c.report.summary(
        std::to_string(compared) + " messages in " + std::to_string(sessions) +
        " seeded session(s) painted the same bytes and set the same fields when "
        "replayed" +
        (pinned ? " (the library could not be unloaded in between)" : " after a fresh load"));
}
