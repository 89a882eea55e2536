// Reads the client's log files in tests: lines and their tab-separated columns.
#pragma once

#include <string>
#include <vector>

namespace logfile {

// The lines of a file's bytes; a last line without its end is kept (a torn line shows).
inline std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl = bytes.find('\n'); nl != std::string::npos; nl = bytes.find('\n', start)) {
    out.push_back(bytes.substr(start, nl - start));
    start = nl + 1;
  }
  if (start < bytes.size()) out.push_back(bytes.substr(start));
  return out;
}

inline std::vector<std::string> Columns(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    out.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  out.push_back(line.substr(start));
  return out;
}

}  // namespace logfile
