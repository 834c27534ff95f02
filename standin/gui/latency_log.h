// latency_log.h - how fast the window answers, for --timing: for each input
// message, the time from when the message loop took it to the moment the
// loop found its queue empty again, every paint it caused done. Messages
// that arrive before that paint share its end. A command made of an input
// (undo, redo) is logged under the command's name; New is timed from the
// moment its dialog closed. One line a message, "kind milliseconds", written
// when the window closes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class LatencyLog {
 public:
  void start(const std::string& path) { path_ = path; }
  bool active() const { return !path_.empty(); }
  // An input message taken from the queue.
  void arrived(const MSG& message);
  // The last input turned out to be this command.
  void relabel(const char* kind);
  // A timed action begins now; what came before it (a dialog's keys) is not
  // timed.
  void restart(const char* kind);
  // The queue is empty: everything pending has been answered.
  void idle();
  // Writes the log; false with `error` when it could not be written.
  bool write(std::string& error) const;

 private:
  struct Pending {
    const char* kind;
    int64_t start;
  };
  static int64_t now();

  std::string path_;
  std::vector<Pending> pending_;
  std::string lines_;
};
