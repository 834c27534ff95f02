// Timing, reported and never failed: how long each message takes on a few
// standard strokes, for a pen author to compare versions.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "checks.h"
#include "pen_session.h"
#include "zorvel_windows.h"

namespace {

struct Stroke {
  const char* name;
  int32_t canvas, brush;
  bool round;
  const char* item;
};

std::string timesOf(std::vector<double> us) {
  if (us.empty()) return "none";
  std::sort(us.begin(), us.end());
  char text[80];
  std::snprintf(text, sizeof text, "median %.1f us, slowest %.1f us", us[us.size() / 2], us.back());
  return text;
}

}  // namespace

void checkTiming(CheckContext& c) {
  PenSession session;
  if (!session.open(c)) return;
  Pen& pen = session.pen;
  zorvel_windows::Tree& tree = *session.tree;
  setStackPoisoning(false);  // not timed with the calls
  const Stroke strokes[] = {
      {"1 x 1 brush, 1 x 1 blocks, 256 x 256 canvas", 256, 1, false, "1x1 pixel"},
      {"9 x 9 disc, 3 x 2 blocks, 256 x 256 canvas", 256, 9, true, "3x2 pixels"},
      {"32 x 32 square, 4 x 4 blocks, 1024 x 1024 canvas", 1024, 32, false, "4x4 pixels"}};
  std::string summary;
  for (const Stroke& s : strokes) {
    SceneSetup setup;
    setup.canvasWidth = setup.canvasHeight = s.canvas;
    setup.brushWidth = setup.brushHeight = s.brush;
    setup.brush.assign(static_cast<std::size_t>(s.brush * s.brush), 0);
    if (s.round)
      for (int y = 0; y < s.brush; ++y)
        for (int x = 0; x < s.brush; ++x) {
          const double dx = x - (s.brush - 1) / 2.0, dy = y - (s.brush - 1) / 2.0;
          if (dx * dx + dy * dy > (s.brush / 2.0) * (s.brush / 2.0))
            setup.brush[static_cast<std::size_t>(y * s.brush + x)] = 1;
        }
    setup.maskOn = false;
    setup.boxItem = s.item;
    Stage stage(setup, Layout());
    if (!stage.ok()) continue;
    selectBoxItem(tree.box, s.item);
    std::vector<double> press, drag, move, release;
    for (int repeat = 0; repeat < 5; ++repeat) {
      const int32_t centre = s.canvas / 2;
      auto at = [&](int i) {
        const double angle = i * 0.05, radius = 10 + i * (s.canvas / 2.5 - 10) / 200.0;
        return std::make_pair(centre + static_cast<int32_t>(radius * std::cos(angle)),
                              centre + static_cast<int32_t>(radius * std::sin(angle)));
      };
      auto send = [&](const Step& step, std::vector<double>& into) {
        if (c.excludes(step.kind)) return;
        prepareRecord(stage, step);
        into.push_back(sendStep(c, pen, tree.view, stage, step, true).microseconds);
      };
      auto p = at(0);
      send({"lpress", WM_LBUTTONDOWN, MK_LBUTTON, p.first, p.second}, press);
      for (int i = 1; i <= 200; ++i) {
        p = at(i);
        send({"drag", WM_MOUSEMOVE, MK_LBUTTON, p.first, p.second}, drag);
      }
      send({"lrelease", WM_LBUTTONUP, 0, p.first, p.second}, release);
      for (int i = 0; i < 20; ++i) {
        p = at(i * 10);
        send({"move", WM_MOUSEMOVE, 0, p.first, p.second}, move);
      }
    }
    summary += std::string(summary.empty() ? "" : "; ") + s.name + ": press " + timesOf(press) +
               ", drag " + timesOf(drag) + ", move " + timesOf(move) + ", release " +
               timesOf(release);
  }
  setStackPoisoning(true);
  c.report.summary(summary);
}

namespace {

// One frame at 60 Hz: a press or move slower than this shows as lag, and a
// host cannot hide it (it paints only after the pen returns).
constexpr double kFrameUs = 16667;
// A drag's cost may grow with its length, not faster: beyond this exponent
// (time ~ length^e) a long stroke on a wide canvas stalls the host.
constexpr double kGrowthLimit = 1.5;
// Below this, growth is noise and a host never notices it.
constexpr double kGrowthFloorUs = 1000;

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string us(double value) {
  char text[32];
  std::snprintf(text, sizeof text, value < 100 ? "%.1f us" : "%.0f us", value);
  return text;
}

SceneSetup squareScene(int32_t width, int32_t height, int32_t brush, const char* item) {
  SceneSetup setup;
  setup.canvasWidth = width;
  setup.canvasHeight = height;
  setup.brushWidth = setup.brushHeight = brush;
  setup.brush.assign(static_cast<std::size_t>(brush * brush), 0);
  setup.maskOn = false;
  setup.boxItem = item;
  return setup;
}

}  // namespace

void checkTimingBudget(CheckContext& c) {
  PenSession session;
  if (!session.open(c)) return;
  setStackPoisoning(false);
  zorvel_windows::Tree& tree = *session.tree;
  auto send = [&](Stage& stage, const Step& step, bool ordinary = true) {
    if (c.excludes(step.kind)) return -1.0;
    prepareRecord(stage, step);
    return sendStep(c, session.pen, tree.view, stage, step, ordinary).microseconds;
  };

  // Each message on a canvas of a common size.
  const SceneSetup big = squareScene(1024, 1024, 32, "4x4 pixels");
  Stage stage(big, Layout());
  std::vector<double> press, drag, move;
  if (stage.ok()) {
    selectBoxItem(tree.box, big.boxItem);
    for (int i = 0; i < 15; ++i) {
      const int32_t x = 100 + i * 50, y = 120 + i * 40;
      press.push_back(send(stage, {"lpress", WM_LBUTTONDOWN, MK_LBUTTON, x, y}));
      for (int k = 1; k <= 8; ++k)
        drag.push_back(send(stage, {"drag", WM_MOUSEMOVE, MK_LBUTTON, x + 6 * k, y + 3 * k}));
      send(stage, {"lrelease", WM_LBUTTONUP, 0, x + 48, y + 24});
      for (int k = 1; k <= 4; ++k)
        move.push_back(send(stage, {"move", WM_MOUSEMOVE, 0, x - 5 * k, y + 2 * k}));
    }
  }
  std::string figures;
  const struct {
    const char* name;
    std::vector<double>* times;
  } kinds[] = {{"press", &press}, {"drag", &drag}, {"move", &move}};
  for (const auto& k : kinds) {
    std::vector<double> t;
    for (double v : *k.times)
      if (v >= 0) t.push_back(v);
    if (t.empty()) continue;
    const double m = median(t);
    figures += (figures.empty() ? "" : ", ") + std::string(k.name) + " median " + us(m);
    if (m > kFrameUs)
      c.report.warn(std::string("a ") + k.name + " takes " + us(m) + " (the median of " +
                    std::to_string(t.size()) +
                    ") with a 32 x 32 square over "
                    "4 x 4 blocks on a 1024 x 1024 canvas, more than a frame (" +
                    us(kFrameUs) + "): the host stalls while the pen runs");
  }

  // Drags of growing length across a wide canvas, each one move.
  const int32_t longest = c.strictness() >= 10 ? 16384 : 4096;
  const SceneSetup wide = squareScene(longest + 64, 64, 9, "3x2 pixels");
  Stage wideStage(wide, Layout());
  std::vector<std::pair<int32_t, double>> lengths;
  if (wideStage.ok()) {
    selectBoxItem(tree.box, wide.boxItem);
    for (int32_t length = 64; length <= longest; length *= 4) {
      std::vector<double> t;
      for (int repeat = 0; repeat < 7; ++repeat) {
        send(wideStage, {"lpress", WM_LBUTTONDOWN, MK_LBUTTON, 32, 32});
        // Longer than any editor's drag: a hang here is this check's finding.
        const double time =
            send(wideStage, {"drag", WM_MOUSEMOVE, MK_LBUTTON, 32 + length, 32}, false);
        if (time >= 0) t.push_back(time);
        send(wideStage, {"lrelease", WM_LBUTTONUP, 0, 32 + length, 32});
      }
      if (!t.empty()) lengths.push_back({length, median(t)});
      // Beyond a frame the finding is made; a longer drag would only risk the
      // timeout.
      if (!t.empty() && median(t) > kFrameUs) break;
    }
  }
  setStackPoisoning(true);
  std::string growth;
  for (const auto& l : lengths)
    growth += (growth.empty() ? "" : ", ") + std::to_string(l.first) + " px " + us(l.second);
  if (lengths.size() >= 3) {
    // From the second length on: the first is mostly the call's fixed cost.
    const auto& a = lengths[1];
    const auto& b = lengths.back();
    const double exponent = std::log(std::max(b.second, 0.1) / std::max(a.second, 0.1)) /
                            std::log(static_cast<double>(b.first) / a.first);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", exponent);
    const std::string what = "a drag's time grows as its length to the power " + std::string(text) +
                             " (" + growth + ", a 9 x 9 square over 3 x 2 blocks on a " +
                             std::to_string(wide.canvasWidth) + " x 64 canvas), faster than " +
                             "its length";
    if (exponent > kGrowthLimit && b.second > kFrameUs)
      c.report.fail(what + ": a long stroke stalls the host for " + us(b.second));
    else if (exponent > kGrowthLimit && b.second > kGrowthFloorUs)
      c.report.warn(what);
  }
  if (!c.report.failures() && !c.report.warnings())
    c.report.summary(figures + " on a 1024 x 1024 canvas (limit " + us(kFrameUs) +
                     "); one drag of " + growth +
                     " across a wide canvas, growing no faster "
                     "than its length");
}
