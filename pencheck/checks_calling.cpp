// The calling convention of both exports, measured by the 32-bit thunk.
#include <windows.h>

#include <string>

#include "checks.h"
#include "guarded_memory.h"
#include "pen_session.h"
#include "zorvel_windows.h"

namespace {

std::string lostRegisters(uint32_t lost) {
  std::string s;
  const struct {
    uint32_t bit;
    const char* name;
  } names[] = {{kLostEbx, "EBX"}, {kLostEsi, "ESI"}, {kLostEdi, "EDI"}, {kLostEbp, "EBP"}};
  for (const auto& n : names)
    if (lost & n.bit) s += (s.empty() ? "" : ", ") + std::string(n.name);
  return s;
}

// One finding per export and kind of fault.
void judge(CheckContext& c, const std::string& exportName, const CallEffects& e,
           const std::string& call, std::string& seen) {
  if (e.bytesPopped != 0 && seen.find("pop") == std::string::npos) {
    seen += "pop";
    c.report.fail(exportName + " " +
                  (e.bytesPopped > 0
                       ? "removed " + std::to_string(e.bytesPopped) +
                             " bytes of its arguments from the stack (stdcall, or "
                             "another callee-pops convention): declare it __cdecl"
                       : "left " + std::to_string(-e.bytesPopped) + " extra bytes on the stack") +
                  "; the editor removes the arguments itself (" + call + ")");
  }
  const uint32_t lost = e.registersLost & ~kLeftDirection;
  if (lost && seen.find("reg") == std::string::npos) {
    seen += "reg";
    c.report.fail(exportName + " did not keep " + lostRegisters(lost) +
                  ", which a cdecl function must preserve for its caller (" + call + ")");
  }
  if ((e.registersLost & kLeftDirection) && seen.find("df") == std::string::npos) {
    seen += "df";
    c.report.fail(exportName + " returned with the direction flag set (" + call + ")");
  }
}

}  // namespace

void checkCallingConvention(CheckContext& c) {
  PenSession session;
  if (!session.open(c)) return;
  const Pen& pen = session.pen;
  zorvel_windows::Tree& tree = *session.tree;
  std::string seenInfo, seenPen;
  // Slack around the record: a write past it is identity.record's finding.
  Block record(Block::Kind::Slack, 3 * sizeof(PenInfo), "the PenInfo record");
  beginCall("getinfo", true, "_ZVGetInfo");
  const CallEffects e = callGetInfo(pen, reinterpret_cast<PenInfo*>(record.data()));
  endCall();
  judge(c, pen.getInfoName, e, "_ZVGetInfo", seenInfo);

  SceneSetup setup;
  Stage stage(setup, Layout());
  if (!stage.ok()) return;
  tree.select(setup.boxItem);
  int calls = 1;
  for (const Step& step : standardScript(setup, c.rng, c.strictness())) {
    if (c.excludes(step.kind)) continue;
    prepareRecord(stage, step);
    const CallEffects pe = sendStep(c, pen, tree.view, stage, step, true);
    judge(c, pen.penName, pe, describeStepShort(step), seenPen);
    ++calls;
  }
  if (!c.report.failures())
    c.report.summary(std::to_string(calls) +
                     " calls: both exports leave the stack and EBX, ESI, EDI, EBP as they found "
                     "them");
}
