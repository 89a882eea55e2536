// Small helpers shared by the engine tests: temporary folders, files, the text
// this process sends to the debugger output, and the error box a process shows.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "tests/support/test_util.h"

namespace enginetest {

// A fresh folder under %TEMP%, removed with everything in it at the end.
using TempDir = testutil::TempDir;

inline void WriteFile(const std::wstring& path, const std::string& content = "x") {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
}

// Captures what OutputDebugString sends while no debugger is attached: the
// system raises a continuable exception carrying the text, which a vectored
// handler sees before it is swallowed.
class DebugOutputCapture {
 public:
  DebugOutputCapture() {
    std::lock_guard<std::mutex> lock(Mutex());
    Text().clear();
    handler_ = AddVectoredExceptionHandler(1, &Handler);
  }
  ~DebugOutputCapture() { RemoveVectoredExceptionHandler(handler_); }
  std::wstring text() const {
    std::lock_guard<std::mutex> lock(Mutex());
    return Text();
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  static std::wstring& Text() {
    static std::wstring t;
    return t;
  }
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    std::wstring piece;
    if (r->ExceptionCode == 0x4001000A) {  // wide text
      piece = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
    } else if (r->ExceptionCode == 0x40010006) {  // ANSI text, in the system code page
      const char* s = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
      int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
      if (n > 1) {
        piece.resize(n - 1);
        MultiByteToWideChar(CP_ACP, 0, s, -1, piece.data(), n);
      }
    } else {
      return EXCEPTION_CONTINUE_SEARCH;
    }
    std::lock_guard<std::mutex> lock(Mutex());
    Text() += piece + L"\n";
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* handler_ = nullptr;
};

// The "Error" box a process of ours shows: found within `ms`, its text read, answered with OK.
struct ErrorBox {
  bool found = false;
  std::wstring body;  // the box's static text
};

namespace detail {
struct BoxSearch {
  DWORD pid;
  HWND found;
};
inline BOOL CALLBACK FindErrorBox(HWND w, LPARAM p) {
  auto* search = reinterpret_cast<BoxSearch*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t caption[64] = {};
  GetWindowTextW(w, caption, 64);
  if (owner == search->pid && std::wstring(caption) == L"Error" && IsWindowVisible(w)) {
    search->found = w;
    return FALSE;
  }
  return TRUE;
}
inline BOOL CALLBACK CollectStaticText(HWND child, LPARAM p) {
  wchar_t cls[32] = {}, text[2048] = {};
  GetClassNameW(child, cls, 32);
  GetWindowTextW(child, text, 2048);
  if (_wcsicmp(cls, L"Static") == 0 && text[0]) *reinterpret_cast<std::wstring*>(p) += text;
  return TRUE;
}
}  // namespace detail

inline ErrorBox AnswerErrorBox(DWORD pid, DWORD ms) {
  const DWORD t0 = GetTickCount();
  while (GetTickCount() - t0 < ms) {
    detail::BoxSearch search{pid, nullptr};
    EnumWindows(&detail::FindErrorBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      ErrorBox box;
      box.found = true;
      EnumChildWindows(search.found, &detail::CollectStaticText, reinterpret_cast<LPARAM>(&box.body));
      PostMessageW(search.found, WM_COMMAND, IDOK, 0);
      return box;
    }
    Sleep(100);
  }
  return {};
}

}  // namespace enginetest
