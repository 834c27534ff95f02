// Timing, reported and never failed: how long each message takes on a few
// standard strokes, for a pen author to compare versions.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "check_helpers.h"
#include "checks.h"
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
