// Kept apart from the thread identities: only a program that reports engine-boundary failures links it.
#include "base/threads.h"

#include <string>

#include "base/guarded.h"

namespace lzg {

bool OnThread(Thread expected, const char* entry) noexcept {
  const DWORD want = expected == Thread::kMain ? threads::Main() : threads::EngineUi();
  const DWORD self = GetCurrentThreadId();
  if (want == 0 || want == self) return true;
  try {
    const std::string message = "called on thread " + std::to_string(self) + ", not on the " +
                                (expected == Thread::kMain ? "main thread" : "engine's UI thread") + " (" +
                                std::to_string(want) + ")";
    ReportCallbackFailure(entry, message.c_str());
  } catch (...) {
    ReportCallbackFailure(entry, "called on the wrong thread");
  }
  return false;
}

}  // namespace lzg
