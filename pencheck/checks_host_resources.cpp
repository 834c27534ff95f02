// host.resources: what the pen holds after a long session and after it is
// unloaded. The process is counted before the load, after a warm-up (a pen
// may keep a cache), after each phase of the session (presses, drags, moves,
// picks, other messages, _ZVGetInfo), and after the unload; a leak is
// reported with its rate per message of the phase that grew it. What the
// pen allocates through its imports is counted exactly (pen_imports).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "checks.h"
#include "child.h"
#include "identity.h"
#include "pen_imports.h"
#include "pen_session.h"
#include "pen_threads.h"
#include "process_resources.h"

namespace {

// Growth allowed after the warm-up, for the counts and for memory.
constexpr long kCountTolerance = 2;
constexpr int64_t kHeapTolerance = 4096;
constexpr uint64_t kPrivateTolerance = 1u << 20;

struct Sample {
  ProcessResources process;
  AllocationCounts heap;
};

Sample sample() { return {countResources(), penAllocations()}; }

struct Phase {
  explicit Phase(const char* n) : name(n) {}
  const char* name;  // "press", for the rate "a press"
  int messages = 0;
  Sample after;
};

// One line for a measure that grew beyond its tolerance: how much, and at
// what rate in each phase that grew it.
template <typename Measure>
void judge(CheckContext& c, const char* what, const char* unit, const Sample& warm,
           const std::vector<Phase>& phases, Measure measure, double tolerance,
           const std::string& session) {
  const double total = measure(phases.back().after) - measure(warm);
  if (total <= tolerance) return;
  std::string rates;
  const Sample* previous = &warm;
  for (const Phase& p : phases) {
    const double grew = measure(p.after) - measure(*previous);
    previous = &p.after;
    if (grew <= 0 || p.messages == 0) continue;
    char text[96];
    std::snprintf(text, sizeof text, "%.1f %s a %s", grew / p.messages, unit, p.name);
    rates += (rates.empty() ? "" : ", ") + std::string(text);
  }
  char text[160];
  std::snprintf(text, sizeof text, "%s grew by %.0f %s over a session of ", what, total, unit);
  c.report.fail(std::string(text) + session + " (" + (rates.empty() ? "between phases" : rates) +
                "; at most " + std::to_string(static_cast<long long>(tolerance)) +
                " allowed after the warm-up): each call must give back what it takes");
}

std::string threadList(const std::vector<PenThread>& threads) {
  std::string out;
  for (std::size_t i = 0; i < threads.size() && i < 3; ++i)
    out += (i ? "; " : "") + threadStartText(threads[i]) + " during " + threads[i].call;
  if (threads.size() > 3) out += "; ...";
  return out;
}

}  // namespace

void checkHostResources(CheckContext& c) {
  // The editor's windows and the buffers first: they are the host's.
  auto tree = std::make_unique<zorvel_windows::Tree>();
  if (!tree->complete()) {
    c.report.skip("the editor's windows could not be created");
    return;
  }
  SceneSetup setup = scenesFor(c).front();
  Stage stage(setup, Layout());
  if (!stage.ok()) return;
  const Sample unloaded = sample();
  PenSession s;
  s.tree = std::move(tree);
  if (!loadOrSkip(c, s.pen)) return;

  const int n = c.strictness() >= 10 ? 256 : c.strictness() >= 7 ? 96 : 32;
  const int32_t w = setup.canvasWidth, h = setup.canvasHeight;
  auto send = [&](const Step& step) {
    if (c.excludes(step.kind)) return;
    prepareRecord(stage, step);
    sendStep(c, s.pen, s.tree->view, stage, step, true);
  };
  auto at = [&](int i, int32_t& x, int32_t& y) {
    x = static_cast<int32_t>((i * 7) % (w + 4)) - 2;
    y = static_cast<int32_t>((i * 5) % (h + 4)) - 2;
  };
  // A warm-up: a pen may fill a cache once.
  runScripts(c, s, {setup});
  selectBoxItem(s.tree->box, setup.boxItem);
  readIdentity(s.pen, true);
  const Sample warm = sample();

  std::vector<Phase> phases = {Phase("press"), Phase("drag"),          Phase("move"),
                               Phase("pick"),  Phase("other message"), Phase("_ZVGetInfo call")};
  int32_t x = 0, y = 0;
  for (int i = 0; i < n; ++i) {
    at(i, x, y);
    send({"lpress", WM_LBUTTONDOWN, MK_LBUTTON | (i % 3 ? 0u : MK_SHIFT), x, y});
    send({"lrelease", WM_LBUTTONUP, 0, x, y});
  }
  send({"lpress", WM_LBUTTONDOWN, MK_LBUTTON, 1, 1});  // the drags' stroke
  phases[0].messages = n + 1;
  phases[0].after = sample();
  for (int i = 0; i < 4 * n; ++i) {
    at(i, x, y);
    send({"drag", WM_MOUSEMOVE, MK_LBUTTON, x, y});
  }
  phases[1].messages = 4 * n;
  phases[1].after = sample();
  for (int i = 0; i < n; ++i) {
    at(i, x, y);
    send({"move", WM_MOUSEMOVE, 0, x, y});
  }
  phases[2].messages = n;
  phases[2].after = sample();
  for (int i = 0; i < n; ++i) {
    at(i, x, y);
    const bool inside = x >= 0 && y >= 0 && x < w && y < h;
    send({inside ? "rpress-in" : "rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, x, y});
    send({"rrelease", WM_RBUTTONUP, 0, x, y});
  }
  phases[3].messages = n;
  phases[3].after = sample();
  for (int i = 0; i < n; ++i) {
    send({"key", WM_KEYDOWN, VK_SHIFT, 0, 0});
    send({"key", WM_KEYUP, VK_SHIFT, 0, 0});
    send({"focus", static_cast<uint32_t>(i % 2 ? WM_SETFOCUS : WM_KILLFOCUS), 0, 0, 0});
    send({"user", WM_USER + 1u + static_cast<uint32_t>(i % 2), 0, 0, 0});
  }
  phases[4].messages = 4 * n;
  phases[4].after = sample();
  for (int i = 0; i < n / 4; ++i) readIdentity(s.pen, true);
  phases[5].messages = n / 4;
  phases[5].after = sample();

  std::string session;
  for (const Phase& p : phases)
    session += (session.empty() ? "" : ", ") + std::to_string(p.messages) + " x " + p.name;
  session += " after a warm-up";
  auto grew = [&](const char* what, const char* unit, auto measure, double tolerance) {
    judge(c, what, unit, warm, phases, measure, tolerance, session);
  };
  grew(
      "the pen's own allocations (through its imports)", "bytes",
      [](const Sample& m) { return static_cast<double>(m.heap.liveBytes); },
      static_cast<double>(kHeapTolerance));
  grew(
      "GDI objects", "objects",
      [](const Sample& m) { return static_cast<double>(m.process.gdiObjects); }, kCountTolerance);
  if (systemCountsGuiObjects())
    grew(
        "USER objects", "objects",
        [](const Sample& m) { return static_cast<double>(m.process.userObjects); },
        kCountTolerance);
  grew(
      "windows", "windows", [](const Sample& m) { return static_cast<double>(m.process.windows); },
      kCountTolerance);
  grew(
      "kernel handles", "handles",
      [](const Sample& m) { return static_cast<double>(m.process.kernelHandles); },
      kCountTolerance);
  grew(
      "committed private memory", "bytes",
      [](const Sample& m) { return static_cast<double>(m.process.privateBytes); },
      static_cast<double>(kPrivateTolerance));

  // Timers fire only when the thread waits for messages: a host does.
  std::string timers;
  const DWORD until = GetTickCount() + 300;
  MSG m;
  while (GetTickCount() < until) {
    while (PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      // Under Wine a callback's address reads as a handle of its own.
      const std::string callback =
          m.lParam ? moduleAndOffset(reinterpret_cast<const void*>(m.lParam)) : "";
      char text[200];
      std::snprintf(text, sizeof text, "id %u for %s%s%s", static_cast<unsigned>(m.wParam),
                    m.hwnd ? "a window" : "the thread", m.lParam ? ", with a callback" : "",
                    callback.find("in no module") == std::string::npos && m.lParam
                        ? (" at " + callback).c_str()
                        : "");
      if (timers.find(text) == std::string::npos)
        timers += (timers.empty() ? "" : "; ") + std::string(text);
      KillTimer(m.hwnd, m.wParam);
    }
    Sleep(10);
  }
  if (!timers.empty())
    c.report.fail("left a timer running after its calls returned (" + timers +
                  "): the host's message loop calls into the pen, and after the unload into "
                  "freed code");

  const std::vector<PenThread> threads = penThreads();
  const std::vector<PenThread> running = stillRunning(threads);
  if (!threads.empty())
    c.report.fail("started " + std::to_string(threads.size()) + " thread(s), " +
                  std::to_string(running.size()) + " of them still running after the session (" +
                  threadList(threads) + "): a pen runs on the host's thread only");

  unloadPen(s.pen);
  const Sample after = sample();
  std::string left;
  bool penStays = false;
  for (const std::string& module : after.process.modules) {
    if (std::find(unloaded.process.modules.begin(), unloaded.process.modules.end(), module) !=
        unloaded.process.modules.end())
      continue;
    if (module.rfind(lastUnloaded().name, 0) == 0) penStays = true;
    left += (left.empty() ? "" : ", ") + module;
  }
  if (penStays)
    c.report.note("the pen itself stayed loaded after FreeLibrary (library.load says so)");
  else if (!left.empty())
    c.report.fail("left modules loaded after FreeLibrary that were not loaded before: " + left);

  if (!c.report.failures()) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "a session of %d presses, %d drags, %d moves, %d picks, %d other messages and "
                  "%d _ZVGetInfo calls after a warm-up left no growth beyond the tolerances "
                  "(own allocations %lld bytes, GDI%s objects, windows and handles %ld, "
                  "private memory %u KiB), no thread, timer or module behind",
                  n, 4 * n, n, n, 4 * n, n / 4, static_cast<long long>(kHeapTolerance),
                  systemCountsGuiObjects() ? " and USER" : "", kCountTolerance,
                  static_cast<unsigned>(kPrivateTolerance >> 10));
    c.report.summary(text);
  }
}
