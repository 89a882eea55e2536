#include "engine/diagnostics.h"

#include <windows.h>

#include "base/guarded.h"
#include "base/log.h"
#include "base/text.h"
#include "base/utf8.h"
#include "engine/cef_library.h"

namespace lzg {
namespace {

// The file argument of our lines in the engine's log.
const char kLogSource[] = "lzg_engine";
// The engine's own scale, not cef_log_severity_t: 2 is an error.
constexpr int kEngineLogError = 2;

}  // namespace

void OutputDebugMessage(const std::wstring& text) {
  try {
    OutputDebugStringW(text.c_str());
    log::Write(text);
    if (!CefLibraryBound() || !g_cef.cef_log) return;
    const std::string message = WideToAnsi(text);
    if (message.empty()) return;
    g_cef.cef_log(kLogSource, 1, kEngineLogError, message.c_str());
  } catch (...) {
    // The reporting path itself must never fail its caller.
  }
}

void ReportFailure(const std::wstring& operation, const std::wstring& message) {
  OutputDebugMessage(operation + L" error : " + message);
}

// A failure must never cross into the engine: it is reported, and the callback gives its neutral answer.
void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  try {
    ReportFailure(FromUtf8(operation ? operation : ""), FromUtf8(message ? message : ""));
  } catch (...) {
  }
}

}  // namespace lzg
