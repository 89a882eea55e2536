// Waiting from a test for what another process does: polls, so the test's own thread needs no message loop.
#pragma once

#include <windows.h>

#include <functional>

namespace testutil {

// Keeps trying `pred` for up to `ms` milliseconds.
inline bool WaitUntil(const std::function<bool()>& pred, DWORD ms = 15000) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
}

}  // namespace testutil
