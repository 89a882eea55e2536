// Rules of the browser host that need no Windows call.
#pragma once

#include <string>

namespace lzg {

// The text in single quotes, inner single quotes doubled (as engine error texts are written to the log).
std::wstring QuotedStr(const std::wstring& text);

}  // namespace lzg
