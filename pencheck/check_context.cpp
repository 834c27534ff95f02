#include "check_context.h"

bool isMessageKind(const std::string& kind) {
  for (const char* k : kMessageKinds)
    if (kind == k) return true;
  return false;
}

const char* ownerOfKind(const std::string& kind) {
  if (isMessageKind(kind)) return "messages.returns";
  if (kind == "getinfo") return "identity.record";
  if (kind == "after-unload") return "host.unload";
  return "library.load";
}

std::string kindInWords(const std::string& kind) {
  static const struct {
    const char* kind;
    const char* words;
  } names[] = {{"lpress", "left presses"},
               {"drag", "drags"},
               {"move", "moves with no button"},
               {"lrelease", "left releases"},
               {"rpress-in", "right presses inside the canvas"},
               {"rpress-out", "right presses outside the canvas"},
               {"rrelease", "right releases"},
               {"key", "key messages"},
               {"focus", "focus messages"},
               {"user", "the editor's WM_USER messages"},
               {"unknown", "unknown messages"},
               {"load", "loading the library"},
               {"free", "unloading the library"},
               {"entry", "the library entry"},
               {"getinfo", "_ZVGetInfo"},
               {"after-unload", "what the host does after unloading the pen"}};
  for (const auto& n : names)
    if (kind == n.kind) return n.words;
  return kind;
}

void Report::line(const std::string& text) { appendReport(block_, text); }
void Report::fail(const std::string& text, const std::string& kind) {
  ++failures_;
  line("FAIL " + (kind.empty() ? "" : "[" + kind + "] ") + text);
}
void Report::warn(const std::string& text) {
  ++warnings_;
  line("WARN " + text);
}
void Report::note(const std::string& text) { line("NOTE " + text); }
void Report::skip(const std::string& text) { line("SKIP " + text); }
void Report::summary(const std::string& text) { line("SUMMARY " + text); }
void Report::done() { line("DONE"); }
