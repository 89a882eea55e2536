// Kept apart from the thread identities: only a program that reports engine-boundary failures links it.
#include "base/threads.h"

#include <string>

#include "base/guarded.h"

namespace lzg {

std::string FunctionNameFromSignature(const char* signature) {
  std::string s = signature ? signature : "";
  s = s.substr(0, s.find('('));
  const size_t space = s.rfind(' ');
  if (space != std::string::npos) s = s.substr(space + 1);
  if (s.rfind("lzg::", 0) == 0) s = s.substr(5);
  for (size_t at = s.find("::"); at != std::string::npos; at = s.find("::", at)) s.replace(at, 2, ".");
  return s;
}

bool OnThread(Thread expected, const char* signature) noexcept {
  const DWORD want = expected == Thread::kMain ? threads::Main() : threads::EngineUi();
  const DWORD self = GetCurrentThreadId();
  if (want == 0 || want == self) return true;
  try {
    const std::string message = "called on thread " + std::to_string(self) + ", not on the " +
                                (expected == Thread::kMain ? "main thread" : "engine's UI thread") + " (" +
                                std::to_string(want) + ")";
    ReportCallbackFailure(FunctionNameFromSignature(signature).c_str(), message.c_str());
  } catch (...) {
    ReportCallbackFailure("a thread check", "called on the wrong thread");
  }
  return false;
}

}  // namespace lzg
