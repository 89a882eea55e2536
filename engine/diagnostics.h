// The client's diagnostics: every failure caught at the engine boundary, every start-up problem and every
// recovery step goes to the debugger output, the client's log and, once the library is bound, the engine's log.
// Any thread.
#pragma once

#include <string>

namespace lzg {

void OutputDebugMessage(const std::wstring& text);

// Writes operation + " error : " + message.
void ReportFailure(const std::wstring& operation, const std::wstring& message);

}  // namespace lzg
