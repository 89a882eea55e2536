// Reads the engine stand-in's trace file: one line per event,
// `<ms>\t<pid>\t<event>\t<details>`, the details being space-separated key=value
// pairs whose values carry %XX escapes (see standin/README.md).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_util.h"

namespace tracefile {

// One line of the trace.
struct Record {
  double ms = 0;
  DWORD pid = 0;
  std::string event;
  std::map<std::string, std::string> fields;  // values already unescaped
  std::string Get(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? std::string("<none>") : it->second;
  }
};

// Turns every %XX back into its byte.
inline std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out.push_back(static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// One line of the trace (without its line end); false for a line that is not complete-looking (at least ms, pid
// and event).
inline bool ParseLine(const std::string& line, Record& r) {
  std::istringstream cols(line);
  std::string ms, pid, event, details;
  if (!std::getline(cols, ms, '\t') || !std::getline(cols, pid, '\t') || !std::getline(cols, event, '\t')) return false;
  std::getline(cols, details);
  r = Record{};
  r.ms = std::atof(ms.c_str());
  r.pid = static_cast<DWORD>(std::strtoul(pid.c_str(), nullptr, 10));
  r.event = event;
  std::istringstream pairs(details);
  std::string item;
  while (pairs >> item) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    r.fields[item.substr(0, eq)] = Unescape(item.substr(eq + 1));
  }
  return true;
}

// Every complete-looking line of the file; a missing file gives none.
// The file is read with shared access, so writers still appending to it are not disturbed.
inline std::vector<Record> Read(const std::wstring& path) {
  std::string bytes;
  testutil::ReadBytes(path, bytes);
  std::vector<Record> out;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Record r;
    if (ParseLine(line, r)) out.push_back(std::move(r));
  }
  return out;
}

// How many of `records` are events `name`, with `key`=`value` when a key is given.
inline int Count(const std::vector<Record>& records, const std::string& name, const std::string& key = {},
                 const std::string& value = {}) {
  int n = 0;
  for (const Record& r : records) n += r.event == name && (key.empty() || r.Get(key) == value);
  return n;
}

}  // namespace tracefile
