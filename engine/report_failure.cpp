// Failures caught at the engine boundary go to the runtime's diagnostics. Kept in
// a file of its own so a test that routes them elsewhere can define its own.
#include <windows.h>

#include <string>

#include "engine/app.h"
#include "engine/bridge.h"

namespace lzg {
namespace {
std::wstring FromUtf8(const char* s) {
  if (!s || !*s) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring out(static_cast<size_t>(n - 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s, -1, out.data(), n);
  return out;
}
}  // namespace

void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  try {
    // ReRaiseExceptions is never set in this client, so the answer is not acted on.
    CustomExceptionHandler(FromUtf8(operation), FromUtf8(message));
  } catch (...) {
  }
}

}  // namespace lzg
