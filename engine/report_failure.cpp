// Failures caught at the engine boundary go to the runtime's diagnostics. Kept in
// a file of its own so a test that routes them elsewhere can define its own.
#include <windows.h>

#include <string>

#include "engine/engine_app.h"
#include "engine/bridge.h"
#include "base/text.h"

namespace lzg {

namespace {

std::wstring Text(const char* s) { return Utf8ToWide(s ? s : ""); }

}  // namespace

void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  try {
    // A failure must never cross into the engine: the handler's re-raise answer is not acted on here.
    CustomExceptionHandler(Text(operation), Text(message));
  } catch (...) {
  }
}

bool ReportOperationFailure(const char* operation, const char* message) {
  return CustomExceptionHandler(Text(operation), Text(message));
}

}  // namespace lzg
