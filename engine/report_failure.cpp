// Failures caught at the engine boundary go to the runtime's diagnostics. Kept in
// a file of its own so a test that routes them elsewhere can define its own.
#include <windows.h>

#include <string>

#include "engine/app.h"
#include "engine/bridge.h"
#include "engine/cef_string.h"

namespace lzg {

void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  try {
    // ReRaiseExceptions is never set in this client, so the answer is not acted on.
    CustomExceptionHandler(Utf8ToWide(operation), Utf8ToWide(message));
  } catch (...) {
  }
}

}  // namespace lzg
