#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool readNumber(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return errno == 0 && value >= low && value <= high;
}

std::string quoted(const std::string& text) {
  if (!text.empty() && text.find_first_of(" \t\"&|<>^()") == std::string::npos) return text;
  return "\"" + text + "\"";
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

}  // namespace

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text + ",") {
    if (c != ',') {
      item += c;
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

bool parseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto number = [&](long long low, long long high, long long& out) {
      std::string text;
      if (!value(text)) return false;
      if (!readNumber(text, low, high, out)) {
        error = a + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + text + "'";
        return false;
      }
      return true;
    };
    long long n = 0;
    std::string text;
    if (a == "--strictness") {
      if (!number(1, 10, n)) return false;
      o.strictness = static_cast<int>(n);
    } else if (a == "--seed") {
      if (!number(0, 4294967295ll, n)) return false;
      o.seed = static_cast<uint32_t>(n);
      o.seedGiven = true;
    } else if (a == "--repeat") {
      if (!number(1, 1000, n)) return false;
      o.repeat = static_cast<int>(n);
    } else if (a == "--timeout-ms") {
      if (!number(10, 3600000, n)) return false;
      o.timeoutMs = static_cast<int>(n);
    } else if (a == "--randomise") {
      o.randomise = true;
    } else if (a == "--only" || a == "--skip") {
      if (!value(text)) return false;
      for (const std::string& item : splitList(text))
        (a == "--only" ? o.only : o.skip).push_back(item);
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "--help" || a == "-h" || a == "/?") {
      o.help = true;
    } else if (a == "--log") {
      if (!value(o.logPath)) return false;
    } else if (a == "--junit") {
      if (!value(o.junitPath)) return false;
    } else if (a == "--in-process") {
      o.inProcess = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--child") {
      if (!value(o.childCheck)) return false;
    } else if (a == "--status") {
      if (!value(o.childStatus)) return false;
    } else if (a == "--exclude") {
      if (!value(text)) return false;
      o.exclude = splitList(text);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      error = "unknown option " + a;
      return false;
    } else if (o.penPath.empty()) {
      o.penPath = a;
    } else {
      error = "one pen at a time: '" + o.penPath + "' and '" + a + "'";
      return false;
    }
  }
  if (o.penPath.empty() && !o.list && !o.help) {
    error = "no pen named";
    return false;
  }
  return true;
}

std::string usageText() {
  return "usage: pencheck.exe [options] PEN.dll\n"
         "  --strictness N   1 to 10 (default 5): which checks run and how hard (see --list)\n"
         "  --seed N         the seed of every random choice (default: from the clock)\n"
         "  --repeat N       run the checks N times, with seeds N, N+1, ...\n"
         "  --randomise      a different order of the checks in each repeat\n"
         "  --timeout-ms N   the longest a call of the pen may take (default 2000)\n"
         "  --only NAME,...  only these checks (a group name such as 'messages' means all of it)\n"
         "  --skip NAME,...  all but these\n"
         "  --list           every check, its level and what it holds the pen to\n"
         "  --log FILE       write the log to attach to a bug report\n"
         "  --junit FILE     write the results as JUnit XML, for CI\n"
         "  --in-process     run the checks in this process (for a debugger)\n"
         "  --verbose        print each check's details as well\n"
         "  --help           this text\n"
         "Exit status: 0 when no check failed, 1 when one did (a library the loader\n"
         "refuses among them), 2 for a usage error or a file that is missing or no PE file.\n";
}

std::string describeOptions(const Options& o) {
  std::string s = "--strictness " + std::to_string(o.strictness) + " --seed " +
                  std::to_string(o.seed) + (o.seedGiven ? "" : " (from the clock)") + " --repeat " +
                  std::to_string(o.repeat) + " --timeout-ms " + std::to_string(o.timeoutMs);
  s += o.randomise ? " --randomise" : " (checks in listed order)";
  s += " --only " + (o.only.empty() ? std::string("(all)") : joined(o.only));
  s += " --skip " + (o.skip.empty() ? std::string("(none)") : joined(o.skip));
  s += " --log " + (o.logPath.empty() ? std::string("(none)") : quoted(o.logPath));
  s += " --junit " + (o.junitPath.empty() ? std::string("(none)") : quoted(o.junitPath));
  s += o.inProcess ? " --in-process" : " (each check in a child process)";
  if (o.verbose) s += " --verbose";
  return s;
}

std::string rerunCommand(const Options& o, const std::string& check, uint32_t seed) {
  std::string s = "pencheck.exe --strictness " + std::to_string(o.strictness) + " --seed " +
                  std::to_string(seed) + " --only " + check;
  if (o.timeoutMs != 2000) s += " --timeout-ms " + std::to_string(o.timeoutMs);
  return s + " " + quoted(o.penPath);
}
