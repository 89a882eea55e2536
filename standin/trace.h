// The trace file named by STANDIN_TRACE: one UTF-8 line per call or callback,
// "<ms since process start>\t<pid>\t<event>\t<details>". Several processes append
// to the same file, so each line is written whole with one append.
#pragma once

#include <windows.h>

#include <string>

#include "engine/cef_capi.h"

namespace standin {

class Trace {
 public:
  explicit Trace(const char* event) : event_(event) {}
  ~Trace() { Write(); }
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  Trace& Add(const char* key, const std::string& utf8);
  Trace& Add(const char* key, const char* utf8) { return Add(key, std::string(utf8 ? utf8 : "")); }
  Trace& Add(const char* key, const std::wstring& text);
  Trace& Add(const char* key, const cef_string_t* text);
  Trace& Add(const char* key, long long value) { return Add(key, std::to_string(value)); }
  Trace& Add(const char* key, int value) { return Add(key, std::to_string(value)); }
  Trace& Add(const char* key, unsigned value) { return Add(key, std::to_string(value)); }
  Trace& Add(const char* key, long value) { return Add(key, std::to_string(value)); }
  Trace& Add(const char* key, unsigned long value) { return Add(key, std::to_string(value)); }
  Trace& Add(const char* key, bool value) { return Add(key, value ? "1" : "0"); }
  Trace& Hex(const char* key, unsigned long long value);
  void Write();

 private:
  const char* event_;
  std::string details_;
  bool written_ = false;
};

// Called from DllMain: remembers when the library was loaded. With STANDIN_TRACE_COSTS=1 the
// process's first line is preceded by a `library_loaded` line of that moment, and every line
// carries the private bytes at its writing.
void NoteLibraryLoaded();

// A fault line: something the real engine would fail on or a broken reference rule.
void Fault(const std::string& what);

std::string ToUtf8(const std::wstring& s);
std::string ToUtf8(const cef_string_t* s);
std::wstring ToWide(const cef_string_t* s);

}  // namespace standin
