// check_context.h - what a check works with in the process that runs it:
// its settings and seed, the report it writes, and the message kinds it
// must leave out because they crash or hang the pen with ordinary input
// (which the check that owns them reports once).
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "options.h"
#include "rng.h"
#include "status_block.h"

// Kinds of message a host sends. A crash or hang on an ordinary call of one
// of them belongs to messages.returns; any other check leaves that kind out
// and runs again.
constexpr const char* kMessageKinds[] = {"lpress",    "drag",       "move",     "lrelease",
                                         "rpress-in", "rpress-out", "rrelease", "key",
                                         "focus",     "user",       "unknown"};
bool isMessageKind(const std::string& kind);
// The check that reports a crash or hang on an ordinary call of `kind`.
const char* ownerOfKind(const std::string& kind);
// "left presses", "key messages", ... for the log.
std::string kindInWords(const std::string& kind);

class Report {
 public:
  explicit Report(StatusBlock* block) : block_(block) {}
  // A finding; `kind` tags it with the message kind it came from, if any.
  void fail(const std::string& text, const std::string& kind = "");
  void warn(const std::string& text);
  void note(const std::string& text);
  void skip(const std::string& text);
  // What a passing check did, for its line.
  void summary(const std::string& text);
  void done();
  int failures() const { return failures_; }
  StatusBlock* block() const { return block_; }
  int warnings() const { return warnings_; }

 private:
  void line(const std::string& text);
  StatusBlock* block_;
  int failures_ = 0, warnings_ = 0;
};

struct CheckContext {
  CheckContext(const Options& o, const std::string& check, StatusBlock* block)
      : options(o), name(check), rng(o.seed, check), report(block) {
    for (const std::string& kind : o.exclude) excluded.insert(kind);
  }
  const Options& options;
  std::string name;
  Rng rng;
  Report report;
  std::set<std::string> excluded;

  int strictness() const { return options.strictness; }
  bool excludes(const std::string& kind) const { return excluded.count(kind) != 0; }
  // An ordinary call is one whose crash belongs to the kind's owner.
  bool ownsOrdinaryCalls(const std::string& kind) const { return name == ownerOfKind(kind); }
};
