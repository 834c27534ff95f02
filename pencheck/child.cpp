#include "child.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "guarded_memory.h"
#include "pen_call.h"
#include "pen_threads.h"
#include "wide_text.h"

namespace {

struct Crash {
  DWORD code;
  void* address;
  DWORD parameterCount;
  ULONG_PTR parameters[4];
  LONG inCall;
  bool otherThread;  // not the thread that runs the check
  bool penThread;    // one the pen started (`thread` says which)
  PenThread thread;
};
Crash crash;
HANDLE crashed = nullptr;
volatile DWORD penThreadId = 0;

bool hardFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_BREAKPOINT:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
      return true;
  }
  return false;
}

volatile LONG captured = 0;

// Runs on the faulting thread, maybe with almost no stack left: copies what
// happened, wakes the main thread and waits to be ended. Only the first
// fault of the process is kept.
void captureAndStop(const EXCEPTION_RECORD* record, LONG inCall, const PenThread* thread,
                    bool otherThread) {
  if (InterlockedExchange(&captured, 1))
    for (;;) Sleep(INFINITE);
  crash.otherThread = otherThread;
  crash.penThread = thread != nullptr;
  if (thread) crash.thread = *thread;
  crash.code = record->ExceptionCode;
  crash.address = record->ExceptionAddress;
  crash.parameterCount = record->NumberParameters < 4 ? record->NumberParameters : 4;
  for (DWORD i = 0; i < crash.parameterCount; ++i)
    crash.parameters[i] = record->ExceptionInformation[i];
  crash.inCall = inCall;
  SetEvent(crashed);
  for (;;) Sleep(INFINITE);
}

StatusBlock* statusOf = nullptr;

DWORD mainThreadId = 0;

LONG CALLBACK firstChance(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD* r = e->ExceptionRecord;
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2 &&
      commitLazyPage(r->ExceptionInformation[1]))
    return EXCEPTION_CONTINUE_EXECUTION;
  if (!hardFault(r->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  const LONG inCall = statusOf ? statusOf->inCall : 0;
  if (GetCurrentThreadId() == penThreadId) {
    if (inCall) captureAndStop(r, 1, nullptr, false);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // A thread the pen started faults whenever it does: that is the pen's,
  // whatever the check's own thread is doing meanwhile.
  PenThread t;
  if (findPenThread(GetCurrentThreadId(), t)) captureAndStop(r, inCall, &t, true);
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI lastChance(EXCEPTION_POINTERS* e) {
  const DWORD self = GetCurrentThreadId();
  if (self == mainThreadId) return EXCEPTION_CONTINUE_SEARCH;
  PenThread t;
  const bool pens = self != penThreadId && findPenThread(self, t);
  captureAndStop(e->ExceptionRecord, statusOf ? statusOf->inCall : 0, pens ? &t : nullptr,
                 self != penThreadId);
  return EXCEPTION_CONTINUE_SEARCH;
}

struct Job {
  const CheckInfo* check;
  const Options* options;
  StatusBlock* block;
};

DWORD WINAPI penThread(void* argument) {
  ULONG guarantee = 64 * 1024;  // room for the handler after a stack overflow
  SetThreadStackGuarantee(&guarantee);
  Job& job = *static_cast<Job*>(argument);
  CheckContext context(*job.options, job.check->name, job.block);
  job.check->run(context);
  context.report.done();
  return 0;
}

std::string hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

// The report line for a crash, owned by this check or by another.
void reportCrash(const CheckInfo& check, StatusBlock* block) {
  std::string what = exceptionName(crash.code);
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(crash.code));
  what += std::string(" (") + code + ")";
  bool watched = false;
  if (crash.code == EXCEPTION_ACCESS_VIOLATION && crash.parameterCount >= 2) {
    const uintptr_t address = crash.parameters[1];
    const bool write = crash.parameters[0] == 1;
    if (crash.parameters[0] == 8) {
      what += " executing address " + hex(address) + unloadedOffset(address);
    } else {
      what += " " + describeAccess(address, write);
      watched = regionAt(address) != nullptr;
    }
  }
  // A fault executing an address happens at that address: said once.
  const bool executing = crash.code == EXCEPTION_ACCESS_VIOLATION && crash.parameterCount >= 2 &&
                         crash.parameters[0] == 8 &&
                         crash.parameters[1] == reinterpret_cast<uintptr_t>(crash.address);
  const std::string where = executing ? "" : ", at " + moduleAndOffset(crash.address);
  std::string kind = block->kind;
  const std::string call = block->call;
  bool ordinary = block->ordinary != 0;
  std::string text;
  if (crash.penThread) {
    // Attributed to the call that started the thread, where a rerun meets it
    // again: that call waits for its threads at the same point every time.
    const PenThread& t = crash.thread;
    kind = t.kind[0] ? t.kind : "load";
    ordinary = t.ordinary;
    const DWORD after = GetTickCount() - t.begunTick;
    text = what + where + ", on a thread the pen started (its start routine at " +
           threadStartText(t) + ")" +
           (t.call[0] ? std::string(" during ") + t.call : std::string(" outside any call")) +
           ", " + std::to_string(after) + " ms after it began" +
           (crash.inCall && call != t.call ? ", while the validator was sending " + call : "");
  } else if (crash.otherThread) {
    text = what + where + ", on a thread the validator did not start, after " + call;
  } else if (!crash.inCall) {
    appendReport(block, "FAIL the validator itself failed (" + what + where + ", after " + call +
                            "): please report this with the log");
    return;
  } else {
    text = what + where + ", during " + call;
  }
  if (!watched && ordinary && ownerOfKind(kind) != std::string(check.name))
    appendReport(block, "FOREIGN " + kind + "\t" + text);
  else
    appendReport(block, "FAIL [" + kind + "] " + text);
}

}  // namespace

std::string exceptionName(unsigned long code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
      return "access violation";
    case EXCEPTION_STACK_OVERFLOW:
      return "stack overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION:
      return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      return "integer division by zero";
    case EXCEPTION_INT_OVERFLOW:
      return "integer overflow";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      return "misaligned data";
    case EXCEPTION_IN_PAGE_ERROR:
      return "in-page error";
    case EXCEPTION_BREAKPOINT:
      return "breakpoint";
    case 0xE06D7363:
      return "uncaught C++ exception (Visual C++)";
  }
  if ((code & 0xF0000000u) == 0xC0000000u && code >= EXCEPTION_FLT_DENORMAL_OPERAND &&
      code <= EXCEPTION_FLT_UNDERFLOW)
    return "floating-point exception";
  return "exception";
}

std::string unloadedOffset(uintptr_t address) {
  const UnloadedModule& u = lastUnloaded();
  if (address < u.begin || address >= u.end || GetModuleHandleA(u.name)) return "";
  return std::string(" (") + u.name + "+" + hex(address - u.begin) +
         ", in the pen's old range: it was unloaded by then)";
}

std::string moduleAndOffset(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module) ||
      !module) {
    const std::string unloaded = unloadedOffset(reinterpret_cast<uintptr_t>(address));
    return "address " + hex(reinterpret_cast<uintptr_t>(address)) +
           (unloaded.empty() ? " (in no module)" : unloaded);
  }
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  std::string name = narrowed(path);
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return name + "+" +
         hex(reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(module));
}

void handlersFirst() {
  static void* handler = nullptr;
  if (handler) RemoveVectoredExceptionHandler(handler);
  handler = AddVectoredExceptionHandler(1, firstChance);
}

Ending runCheckHere(const CheckInfo& check, const Options& options, StatusBlock* block,
                    int timeoutMs) {
  static bool handlersSet = false;
  if (!handlersSet) {
    mainThreadId = GetCurrentThreadId();
    handlersFirst();
    SetUnhandledExceptionFilter(lastChance);
    crashed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    handlersSet = true;
  }
  ResetEvent(crashed);
  InterlockedExchange(&captured, 0);
  statusOf = block;
  setStatusBlock(block);
  forgetAllRegions();

  Job job{&check, &options, block};
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 1u << 20, penThread, &job,
                               STACK_SIZE_PARAM_IS_A_RESERVATION | CREATE_SUSPENDED, &id);
  if (!thread) {
    appendReport(block, "FAIL the validator could not start a thread for the check");
    return Ending::Finished;
  }
  penThreadId = id;
  ResumeThread(thread);
  HANDLE waits[2] = {crashed, thread};
  Ending ending = Ending::Finished;
  for (;;) {
    const DWORD w = WaitForMultipleObjects(2, waits, FALSE, timeoutMs > 0 ? 10 : INFINITE);
    if (w == WAIT_OBJECT_0) {
      reportCrash(check, block);
      ending = Ending::Crashed;
      break;
    }
    if (w == WAIT_OBJECT_0 + 1) break;
    if (timeoutMs > 0 && block->inCall &&
        GetTickCount() - block->callStart > static_cast<DWORD>(timeoutMs)) {
      TerminateThread(thread, 1);
      ending = Ending::Hung;
      break;
    }
  }
  // A crashed or hung pen thread is left as it is (or ended): in a child the
  // process ends next; in the in-process mode the run goes on beside it.
  CloseHandle(thread);
  penThreadId = 0;
  return ending;
}

int childMain(const Options& options) {
  HANDLE mapping = nullptr;
  StatusBlock* block = openStatusBlock(options.childStatus, mapping);
  const CheckInfo* check = findCheck(options.childCheck);
  if (!block || !check) return 3;
  // No dialog boxes for a missing file or a crash: the parent reports.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  runCheckHere(*check, options, block, 0);
  // The report is in shared memory already; nothing of the pen's may run now.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
