// The tag side file ("52lzg.dat"): the code on its first line. Platform-free; the ANSI code page's decoding is
// the caller's to give.
#pragma once

#include <string>
#include <string_view>

namespace lzg {

// The first line of a text file's bytes (the text before the first CR or LF), before any decoding that needs
// the system: a UTF-8 or UTF-16 (either byte order) byte-order mark gives `text` decoded; otherwise `ansi` holds
// the line's bytes in the ANSI code page.
struct FirstLine {
  bool is_ansi = false;
  std::string ansi;
  std::wstring text;
};
FirstLine SplitFirstLine(std::string_view file_bytes);

// `s` without leading and trailing characters of codes 0 to 32.
std::wstring TrimControls(std::wstring_view s);

// The side file's code: its first line, decoded by its byte-order mark (by `decode_ansi` without one), trimmed.
using AnsiDecoder = std::wstring (*)(std::string_view);
std::wstring SideFileCode(std::string_view file_bytes, AnsiDecoder decode_ansi);

}  // namespace lzg
