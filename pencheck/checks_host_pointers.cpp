// host.pointers: a pen keeps no pointer from one call to the next. Every
// message here comes with a record and buffers of its own, at new
// addresses, holding what the last call left; the last call's are then made
// no-access, so that a pen that reads or writes through a pointer it kept
// faults, and the fault names the call the pointer came from.
#include <windows.h>

#include <deque>
#include <memory>

#include "checks.h"
#include "guarded_memory.h"
#include "pen_session.h"

namespace {

// The buffers of this many past calls stay reserved (and so are not handed
// out again); a pointer kept longer may meet fresh memory.
constexpr std::size_t kRetiredCalls = 32;

}  // namespace

void checkHostPointers(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  std::deque<std::unique_ptr<Stage>> retired;
  std::deque<Block> retiredInfo;
  auto retire = [&](std::unique_ptr<Stage> stage, const std::string& call) {
    stage->retire(call);
    retired.push_back(std::move(stage));
    if (retired.size() > kRetiredCalls) retired.pop_front();
  };
  auto getInfo = [&](const std::string& which) {
    Block record(Block::Kind::Slack, 3 * sizeof(PenInfo), "the PenInfo record", 0);
    beginCall("getinfo", true, "_ZVGetInfo (" + which + ")");
    callGetInfo(s.pen, reinterpret_cast<PenInfo*>(record.data() + sizeof(PenInfo)));
    endCall();
    record.retire("_ZVGetInfo (" + which + ")");
    retiredInfo.push_back(std::move(record));
  };
  getInfo("before the messages");
  int calls = 1;
  for (const SceneSetup& setup : scenesFor(c)) {
    std::unique_ptr<Stage> stage = std::make_unique<Stage>(setup, Layout());
    if (!stage->ok()) continue;
    selectBoxItem(s.tree->box, setup.boxItem);
    std::string last;  // the call the stage's buffers went with
    for (const Step& step : scriptFor(setup, c.rng, c.strictness())) {
      if (c.excludes(step.kind)) continue;
      if (!last.empty()) {
        // This call's buffers are new; the last call's are gone.
        auto next = std::make_unique<Stage>(setup, Layout());
        if (!next->ok()) break;
        next->takeOver(*stage);
        retire(std::move(stage), last);
        stage = std::move(next);
      }
      prepareRecord(*stage, step);
      sendStep(c, s.pen, s.tree->view, *stage, step, true);
      last = describeStepShort(step) + " (message " + std::to_string(calls) + ")";
      ++calls;
    }
    if (!last.empty()) retire(std::move(stage), last);
  }
  getInfo("after the messages");
  ++calls;
  if (!c.report.failures())
    c.report.summary(std::to_string(calls) +
                     " calls, each with a record and buffers of its own: none touched those of "
                     "an earlier call");
}
