#include "latency_log.h"

#include <cstdio>

#include "files.h"

int64_t LatencyLog::now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

void LatencyLog::arrived(const MSG& message) {
  if (!active()) return;
  const char* kind = nullptr;
  switch (message.message) {
    case WM_LBUTTONDOWN:
      kind = "press";
      break;
    case WM_MOUSEMOVE:
      kind = (message.wParam & MK_LBUTTON) ? "drag" : "move";
      break;
    case WM_LBUTTONUP:
      kind = "release";
      break;
    case WM_RBUTTONDOWN:
      kind = "pick";
      break;
    case WM_KEYDOWN:
      kind = "key";
      break;
    case WM_MOUSEWHEEL:
      kind = "wheel";
      break;
    default:
      return;
  }
  pending_.push_back(Pending{kind, now()});
}

void LatencyLog::relabel(const char* kind) {
  if (!pending_.empty()) pending_.back().kind = kind;
}

void LatencyLog::restart(const char* kind) {
  if (!active()) return;
  pending_.clear();
  pending_.push_back(Pending{kind, now()});
}

void LatencyLog::idle() {
  if (pending_.empty()) return;
  const int64_t end = now();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (const Pending& p : pending_) {
    char line[64];
    std::snprintf(
        line, sizeof line, "%s %.3f\n", p.kind,
        static_cast<double>(end - p.start) * 1000.0 / static_cast<double>(frequency.QuadPart));
    lines_ += line;
  }
  pending_.clear();
}

bool LatencyLog::write(std::string& error) const {
  if (!active()) return true;
  return writeWhole(path_, std::vector<uint8_t>(lines_.begin(), lines_.end()), error);
}
