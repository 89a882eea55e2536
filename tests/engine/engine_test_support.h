// Small helpers shared by the engine tests: temporary folders, files, and the
// text this process sends to the debugger output.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

namespace enginetest {

// A fresh folder under %TEMP%, removed with everything in it at the end.
class TempDir {
 public:
  explicit TempDir(const wchar_t* tag = L"lzgeng") {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    path_ = std::wstring(base) + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  // Engine sub-processes of a client started in the folder end a moment after it and may still hold a file:
  // the removal is tried again until they are gone.
  ~TempDir() {
    for (int i = 0; i < 100; ++i) {
      std::error_code ec;
      std::filesystem::remove_all(path_, ec);
      if (!std::filesystem::exists(path_, ec)) return;
      Sleep(100);
    }
  }
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& rel) const { return path_ + L"\\" + rel; }

 private:
  std::wstring path_;
};

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

inline std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace enginetest
