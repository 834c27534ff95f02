// host.unload: the host goes on after FreeLibrary. Whatever the pen left
// pointing into its code (a window procedure, a timer, a hook, an exception
// handler, a thread) runs freed memory then; this check does what a host
// does next (pumps its windows' messages, uses the box, raises and handles
// an exception, waits for the pen's threads), and a crash on the way is
// reported with its offset in the pen's old range.
#include <windows.h>

#include "checks.h"
#include "child.h"
#include "identity.h"
#include "message_names.h"
#include "pen_session.h"
#include "pen_threads.h"

namespace {

constexpr DWORD kRaisedCode = 0xE0504B31;  // the validator's own, raised and handled

// Last in the chain: handles the validator's own exception, after every
// handler before it (a pen's left behind among them) has been asked.
LONG CALLBACK handleOwn(EXCEPTION_POINTERS* e) {
  return e->ExceptionRecord->ExceptionCode == kRaisedCode ? EXCEPTION_CONTINUE_EXECUTION
                                                          : EXCEPTION_CONTINUE_SEARCH;
}

void pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  MSG m;
  while (GetTickCount() < until) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(5);
  }
}

}  // namespace

void checkHostUnload(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  readIdentity(s.pen, true);
  runScripts(c, s, {scenesFor(c).front()});
  zorvel_windows::Tree& tree = *s.tree;
  if (!unloadPen(s.pen)) {
    c.report.note("the pen stayed loaded after FreeLibrary (library.load says so)");
    c.report.summary("the pen stayed loaded, so nothing of it was left behind in freed memory");
    return;
  }
  const std::string pen = lastUnloaded().name;
  // A handler the pen added is now ahead of the validator's; put the
  // validator's first again so that a fault inside the chain is seen.
  handlersFirst();
  void* last = AddVectoredExceptionHandler(0, handleOwn);
  const DWORD waitMs =
      static_cast<DWORD>(c.options.timeoutMs / 2 < 1000 ? c.options.timeoutMs / 2 : 1000);

  beginCall("after-unload", false,
            "the host's windows' messages pumped for 300 ms after " + pen +
                " was unloaded (a window procedure, timer or hook it left "
                "would run here)");
  for (HWND w : {tree.frame, tree.bar, tree.page, tree.box, tree.view}) {
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PostMessageA(w, WM_NULL, 0, 0);
  }
  pump(300);
  endCall();

  beginCall(
      "after-unload", false,
      "the block-size box used after " + pen + " was unloaded (every item selected and read)");
  const LRESULT count = SendMessageA(tree.box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    SendMessageA(tree.box, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    char text[512] = {};
    if (SendMessageA(tree.box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 500)
      SendMessageA(tree.box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
  }
  SendMessageA(tree.page, WM_COMMAND, MAKEWPARAM(110, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(tree.box));
  pump(50);
  endCall();

  beginCall("after-unload", false,
            "an exception raised and handled after " + pen +
                " was unloaded (an exception handler it left would run here)");
  RaiseException(kRaisedCode, 0, 0, nullptr);
  endCall();
  RemoveVectoredExceptionHandler(last);

  const auto filter = reinterpret_cast<uintptr_t>(SetUnhandledExceptionFilter(nullptr));
  SetUnhandledExceptionFilter(reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(filter));
  if (!unloadedOffset(filter).empty())
    c.report.fail(
        "left its unhandled-exception filter set after the unload: the host's next "
        "crash runs freed code at " +
        hex32(static_cast<uint32_t>(filter)) + unloadedOffset(filter));

  beginCall("after-unload", false,
            "the threads " + pen + " started, waited for after it was unloaded");
  const std::vector<PenThread> threads = penThreads();
  waitForThreads(threads, waitMs);
  endCall();
  const std::vector<PenThread> running = stillRunning(threads);
  if (!running.empty())
    c.report.fail(std::to_string(running.size()) +
                  " thread(s) the pen started still run after "
                  "the unload (the first began at " +
                  threadStartText(running.front()) + " during " + running.front().call + ")");
  if (!c.report.failures())
    c.report.summary("after " + pen +
                     " was unloaded, the host's windows took their messages for 300 ms, the "
                     "box was used, an exception was raised and handled and " +
                     (threads.empty() ? std::string("no thread of the pen's was left")
                                      : "its threads had ended") +
                     ", without a fault");
}
