// The first line of the tag side file ("52lzg.dat"). Platform-free except for
// the ANSI code page, whose decoding the caller supplies.
#pragma once

#include <string>
#include <string_view>

namespace lzg {

// The first line of a text file's bytes, before any decoding to UTF-16 that
// needs the system: a UTF-8 or UTF-16 (either byte order) byte-order mark gives
// `text` decoded; otherwise `ansi` holds the line's bytes in the ANSI code page.
struct FirstLine {
  bool isAnsi = false;
  std::string ansi;
  std::wstring text;
};

// The text before the first CR or LF.
FirstLine SplitFirstLine(std::string_view fileBytes);

// `s` without leading and trailing characters of codes 0 to 32.
std::wstring TrimControls(std::wstring_view s);

// `s` decoded as UTF-8; a malformed sequence gives U+FFFD.
std::wstring DecodeUtf8(std::string_view s);

}  // namespace lzg
