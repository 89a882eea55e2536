// Reads the client's log files in tests: lines and their tab-separated columns.
#pragma once

#include <string>
#include <vector>

namespace logfile {

// The pieces of `text` between `separator`s, in order.
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    out.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  out.push_back(text.substr(start));
  return out;
}

// The lines of a file's bytes; a last line without its end is kept (a torn line shows).
inline std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out = Split(bytes, '\n');
  if (out.back().empty()) out.pop_back();  // what follows the last line end
  return out;
}

inline std::vector<std::string> Columns(const std::string& line) { return Split(line, '\t'); }

}  // namespace logfile
