// Rules of the browser host that need no Windows call.
#pragma once

#include <string>

namespace lzg {

// The text in single quotes, inner single quotes doubled (as engine error
// texts are written to the log).
std::wstring QuotedStr(const std::wstring& text);

// Which handler objects a client handler creates; decided from the host's
// bound events when the browser is requested.
struct ClientHandlerFlags {
  bool load = false;
  bool keyboard = false;
  bool lifeSpan = true;  // always: the host's bookkeeping depends on it
  bool request = true;   // always: fixed answers
};

}  // namespace lzg
