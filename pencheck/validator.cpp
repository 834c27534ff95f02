#include "validator.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "checks.h"
#include "junit.h"
#include "log.h"
#include "outcome.h"
#include "pe_file.h"
#include "rng.h"
#include "runner.h"
#include "sha256.h"
#include "wide_text.h"

namespace {

constexpr bool kIs32Bit = sizeof(void*) == 4;
constexpr const char* kBuild = kIs32Bit ? "32-bit" : "64-bit";

// Everything a check met, over its attempts and repeats.
struct Tally {
  const CheckInfo* check = nullptr;
  std::vector<std::string> fails, warns, notes, leftOut;
  std::set<std::string> failedKinds;
  std::string summary, skip;
  bool ran = false;
  uint32_t failSeed = 0;
  bool failSeedSet = false;
  std::string failWhere;  // where an attributed finding was met
  double seconds = 0;
  // A finding of `text` with `seed`: the rerun line takes the first seed.
  void fail(const std::string& text, uint32_t seed) {
    fails.push_back(text);
    if (!failSeedSet) {
      failSeed = seed;
      failSeedSet = true;
    }
  }
};

struct Foreign {
  std::string owner, kind, text, where;
  uint32_t seed;
};

std::string fullPath(const std::string& path) {
  wchar_t full[4096];
  const DWORD n = GetFullPathNameW(widened(path).c_str(), 4096, full, nullptr);
  return n > 0 && n < 4096 ? narrowed(full) : path;
}

uint32_t clockSeed() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  uint64_t mixed = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32);
  return static_cast<uint32_t>(Rng(mixed).next());
}

std::string joinedReasons(const std::vector<std::string>& reasons, std::size_t shown) {
  std::string out;
  for (std::size_t i = 0; i < reasons.size() && i < shown; ++i) out += (i ? "; " : "") + reasons[i];
  if (reasons.size() > shown)
    out += "; and " + std::to_string(reasons.size() - shown) + " more like these";
  return out;
}

bool selected(const CheckInfo& c, const Options& o) {
  if (c.needs32Bit && !kIs32Bit) return false;
  bool chosen = o.only.empty() ? c.level <= o.strictness : false;
  for (const std::string& p : o.only) chosen = chosen || namesCheck(p, c);
  for (const std::string& p : o.skip) chosen = chosen && !namesCheck(p, c);
  return chosen;
}

bool knownPattern(const std::string& pattern) {
  for (const CheckInfo& c : allChecks())
    if (namesCheck(pattern, c)) return true;
  return false;
}

class Run {
 public:
  explicit Run(const Options& o) : options_(o) {}

  void runCheck(const CheckInfo& check, uint32_t seed) {
    Tally& t = tally(check);
    t.ran = true;
    Options o = options_;
    o.seed = seed;
    std::vector<std::string> exclude;
    for (const auto& k : knownCrashes_)
      if (ownerOfKind(k.first) != std::string(check.name)) {
        exclude.push_back(k.first);
        addLeftOut(t, k.first);
      }
    for (int attempt = 0; attempt < 16; ++attempt) {
      o.exclude = exclude;
      Attempt a = runAttempt(check, o);
      t.seconds += a.seconds;
      for (auto& f : a.fails) t.fail(f, seed);
      for (auto& k : a.failedKinds) t.failedKinds.insert(k);
      for (auto& w : a.warns)
        if (std::find(t.warns.begin(), t.warns.end(), w) == t.warns.end()) t.warns.push_back(w);
      for (auto& n : a.notes) t.notes.push_back(n);
      if (!a.leftFiles.empty()) {
        std::string files;
        for (std::size_t i = 0; i < a.leftFiles.size() && i < 8; ++i)
          files += (i ? ", " : "") + a.leftFiles[i];
        if (a.leftFiles.size() > 8)
          files += " and " + std::to_string(a.leftFiles.size() - 8) + " more";
        const std::string text = "left " + std::to_string(a.leftFiles.size()) +
                                 " file(s) in the empty folder it ran in: " + files +
                                 " (a pen has no files; these would land in the host's folder)";
        if (std::string(check.name) == "host.resources")
          t.fail(text, seed);
        else
          t.notes.push_back(text);
      }
      if (!a.summary.empty()) t.summary = a.summary;
      if (!a.skip.empty()) t.skip = a.skip;

      std::string next;
      if (!a.foreignKind.empty()) {
        const std::string owner = ownerOfKind(a.foreignKind);
        const CheckInfo* ownerCheck = findCheck(owner);
        if (ownerCheck && selected(*ownerCheck, options_)) {
          foreign_.push_back({owner, a.foreignKind, a.foreignText, check.name, seed});
          if (!isMessageKind(a.foreignKind)) {
            t.skip = "could not run: " + a.foreignText + " (reported by " + owner + ")";
            break;
          }
          knownCrashes_[a.foreignKind] = a.foreignText;
          addLeftOut(t, a.foreignKind);
        } else {
          t.fail(a.foreignText, seed);
          t.failedKinds.insert(a.foreignKind);
          if (!isMessageKind(a.foreignKind)) break;
        }
        next = a.foreignKind;
      } else if (!a.crashedKind.empty() && isMessageKind(a.crashedKind)) {
        // An own crash or hang: the rest of the messages are checked too.
        if (ownerOfKind(a.crashedKind) == std::string(check.name) && !a.fails.empty())
          knownCrashes_[a.crashedKind] = a.fails.back();
        next = a.crashedKind;
      }
      if (next.empty() || std::find(exclude.begin(), exclude.end(), next) != exclude.end()) break;
      exclude.push_back(next);
    }
  }

  std::vector<Outcome> outcomes() {
    // A crash that another check met on ordinary input is its owner's finding.
    for (const Foreign& f : foreign_) {
      Tally& owner = tally(*findCheck(f.owner));
      if (owner.failedKinds.count(f.kind)) continue;
      owner.fails.push_back(f.text + " (met in " + f.where + ", seed " + std::to_string(f.seed) +
                            ")");
      owner.failedKinds.insert(f.kind);
      if (!owner.failSeedSet) {
        owner.failSeed = f.seed;
        owner.failSeedSet = true;
        owner.failWhere = f.where;
      }
    }
    std::vector<Outcome> out;
    for (const CheckInfo& c : allChecks()) {
      auto it = tallies_.find(c.name);
      if (it == tallies_.end() || !it->second.ran) continue;
      const Tally& t = it->second;
      Outcome o;
      o.name = c.name;
      o.seconds = t.seconds;
      o.details = t.notes;
      std::string leftOut;
      if (!t.leftOut.empty()) {
        leftOut = " (left out: ";
        for (std::size_t i = 0; i < t.leftOut.size(); ++i)
          leftOut += (i ? "; " : "") + t.leftOut[i];
        leftOut += ")";
      }
      if (!t.fails.empty()) {
        o.verdict = Verdict::Fail;
        o.reason = joinedReasons(t.fails, 3) + leftOut;
        o.rerun = rerunCommand(options_, t.failWhere.empty() ? c.name : t.failWhere, t.failSeed);
      } else if (!t.skip.empty() && t.summary.empty()) {
        o.verdict = Verdict::Skip;
        o.reason = t.skip;
      } else if (!t.warns.empty()) {
        o.verdict = Verdict::Warn;
        o.reason = joinedReasons(t.warns, 4) + leftOut;
      } else {
        o.reason = (t.summary.empty() ? std::string("no finding") : t.summary) + leftOut;
      }
      out.push_back(o);
    }
    return out;
  }

 private:
  Tally& tally(const CheckInfo& c) {
    Tally& t = tallies_[c.name];
    t.check = &c;
    return t;
  }
  void addLeftOut(Tally& t, const std::string& kind) {
    const std::string text =
        kindInWords(kind) + ", which " +
        (knownCrashes_[kind].find("did not return") != std::string::npos ? "hang" : "crash") +
        " the pen (" + ownerOfKind(kind) + ")";
    if (std::find(t.leftOut.begin(), t.leftOut.end(), text) == t.leftOut.end())
      t.leftOut.push_back(text);
  }

  const Options& options_;
  std::map<std::string, Tally> tallies_;
  std::map<std::string, std::string> knownCrashes_;  // kind -> what it did
  std::vector<Foreign> foreign_;
};

void print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

std::string checkList() {
  std::string text = "pencheck " PENCHECK_VERSION " (" + std::string(kBuild) +
                     " build): the checks, the strictness from which each runs, and what it "
                     "holds the pen to.\n";
  char line[64];
  for (const CheckInfo& c : allChecks()) {
    std::snprintf(line, sizeof line, "%-19s level %2d  ", c.name, c.level);
    text += line;
    text += c.sentence;
    if (c.needs32Bit && !kIs32Bit)
      text +=
          " [Not in this 64-bit build: it needs 32-bit addresses; run the 32-bit pencheck.exe.]";
    text += "\n";
  }
  text +=
      "Higher strictness also checks harder: more scenes and canvas shapes from 5, both "
      "alignments of the guarded buffers from 9, null pointers for the ones a message does not "
      "need from 8, the widest canvases and the longest sessions at 10.\n";
  return text;
}

int runValidator(Options options) {
  for (const auto* list : {&options.only, &options.skip})
    for (const std::string& p : *list)
      if (!knownPattern(p)) {
        std::fprintf(stderr, "pencheck: no check or group named '%s' (see --list)\n%s", p.c_str(),
                     usageText().c_str());
        return 2;
      }
  options.penPath = fullPath(options.penPath);
  if (!options.seedGiven) options.seed = clockSeed();

  std::vector<std::string> header;
  header.push_back("pencheck " PENCHECK_VERSION " (" + std::string(kBuild) +
                   " build): a validator for Zorvel pens");
  header.push_back("pen: " + options.penPath);
  std::vector<uint8_t> bytes;
  std::string error;
  const bool readable = readWholeFile(options.penPath, bytes, error);
  header.push_back(readable ? "size: " + std::to_string(bytes.size()) + " bytes"
                            : "size: unknown (" + error + ")");
  header.push_back("sha256: " + (readable ? sha256Hex(bytes) : std::string("unknown")));
  header.push_back("options: " + describeOptions(options));
  header.push_back("seed: " + std::to_string(options.seed) +
                   (options.repeat > 1
                        ? " (repeat r uses seed " + std::to_string(options.seed) + " + r - 1)"
                        : ""));

  auto finish = [&](const std::vector<Outcome>& outcomes, int status) {
    const std::string text = logText(header, outcomes, options.verbose);
    print(text);
    std::string why;
    if (!options.logPath.empty() && !writeTextFile(options.logPath, text, why)) {
      std::fprintf(stderr, "pencheck: cannot write the log: %s\n", why.c_str());
      status = status == 0 ? 2 : status;
    }
    if (!options.junitPath.empty() &&
        !writeTextFile(options.junitPath, junitXml(options.penPath, outcomes), why)) {
      std::fprintf(stderr, "pencheck: cannot write the JUnit file: %s\n", why.c_str());
      status = status == 0 ? 2 : status;
    }
    return status;
  };

  // A file that is not a library of the kind this build loads ends the run:
  // with status 2 when it is missing or no PE file at all (nothing was
  // checked), else as a failed check.
  const PeFile pe = readable ? readPeFile(bytes) : PeFile();
  const std::string problem = readable ? libraryFileProblem(pe) : error;
  if (!problem.empty()) {
    Outcome o;
    o.name = "library.file";
    o.verdict = Verdict::Fail;
    o.reason = problem + " (nothing else can be checked)";
    return finish({o}, readable && pe.problem.empty() ? 1 : 2);
  }

  std::vector<const CheckInfo*> chosen;
  std::string notRun;
  for (const CheckInfo& c : allChecks()) {
    if (selected(c, options))
      chosen.push_back(&c);
    else if (c.needs32Bit && !kIs32Bit)
      notRun += std::string(notRun.empty() ? "" : ", ") + c.name + " (needs the 32-bit build)";
  }
  header.push_back("checks: " + std::to_string(chosen.size()) + " of " +
                   std::to_string(allChecks().size()) + " at strictness " +
                   std::to_string(options.strictness) +
                   (notRun.empty() ? "" : "; not in this build: " + notRun));

  Run run(options);
  for (int r = 0; r < options.repeat; ++r) {
    std::vector<const CheckInfo*> order = chosen;
    const uint32_t seed = options.seed + static_cast<uint32_t>(r);
    if (options.randomise) {
      Rng shuffle(seed, "order");
      for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(shuffle.next() % i)]);
      std::string names;
      for (const CheckInfo* c : order) names += std::string(names.empty() ? "" : " ") + c->name;
      header.push_back("order of repeat " + std::to_string(r + 1) + ": " + names);
    }
    for (const CheckInfo* c : order) {
      std::fprintf(stderr, "pencheck: %s%s\n", c->name,
                   options.repeat > 1 ? (" (repeat " + std::to_string(r + 1) + ")").c_str() : "");
      run.runCheck(*c, seed);
    }
  }
  const std::vector<Outcome> outcomes = run.outcomes();
  bool failed = false;
  for (const Outcome& o : outcomes) failed = failed || o.verdict == Verdict::Fail;
  // A library the loader refuses fails library.load, like any other finding.
  return finish(outcomes, failed ? 1 : 0);
}
