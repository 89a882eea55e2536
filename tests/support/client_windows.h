// The client's windows seen from a test in another process: finding them, asking whether they answer, and
// posting keys to them as the keyboard does.
#pragma once

#include <windows.h>

#include <string>

namespace testutil {

inline DWORD PidOf(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

inline std::wstring ClassOf(HWND w) {
  wchar_t buf[256];
  int n = GetClassNameW(w, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

inline std::wstring TextOf(HWND w) {
  wchar_t buf[512];
  int n = GetWindowTextW(w, buf, 512);
  return std::wstring(buf, n > 0 ? n : 0);
}

// The window handles a message within `ms` (a window that hangs fails at once).
inline bool Answers(HWND w, DWORD ms = 5000) {
  DWORD_PTR r = 0;
  return w && SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &r) != 0;
}

// The top-level windows of one client process, visible or not: both are of the client's own window class,
// the exit dialog is the one titled "信息提示".
struct ClientWindows {
  HWND game = nullptr;
  HWND dialog = nullptr;
};

namespace detail {
struct WindowSearch {
  DWORD pid;
  ClientWindows found;
};
inline BOOL CALLBACK AddClientWindow(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  if (PidOf(h) != s->pid || ClassOf(h) != L"LzgForm") return TRUE;
  (TextOf(h) == L"信息提示" ? s->found.dialog : s->found.game) = h;
  return TRUE;
}
}  // namespace detail

inline ClientWindows FindClientWindows(DWORD pid) {
  detail::WindowSearch search{pid, {}};
  EnumWindows(&detail::AddClientWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A key message as the keyboard sends it: repeat count 1 and the scan code, the Alt bit for system keys, and
// the previous-state and transition bits of a release (or of an auto-repeated press).
inline void PostKey(HWND w, UINT msg, WPARAM vk, bool repeat = false) {
  LPARAM lp = 1 | (MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC) << 16);
  const bool up = msg == WM_KEYUP || msg == WM_SYSKEYUP;
  if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) lp |= 1 << 29;
  if (repeat || up) lp |= 1 << 30;
  if (up) lp |= static_cast<LPARAM>(1u << 31);
  PostMessageW(w, msg, vk, lp);
}

}  // namespace testutil
