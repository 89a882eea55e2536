// The engine's profile directories: cache under "TEMP", cookies and user data
// under "APPDATA", named after the profile; the cache moves every calendar month.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lzg {

// A directory is missing when its step failed ("TEMP" or "APPDATA" unset, empty
// or longer than the 1024-unit buffer); the engine setting then keeps its default.
struct ProfileDirs {
  std::optional<std::wstring> Cache;
  std::optional<std::wstring> Cookies;
  std::optional<std::wstring> UserDataPath;
};

// "yymm" of a local date: 2406 for June 2024.
std::wstring DateSuffix(const SYSTEMTIME& localTime);

// Profile 0 ("lzgmin") or 1 ("lzgmin3game"); each directory in its own guarded step.
ProfileDirs ComputeProfileDirs(bool profile1, const SYSTEMTIME& localTime);

// The same with the current local time.
ProfileDirs ComputeProfileDirs(bool profile1);

}  // namespace lzg
