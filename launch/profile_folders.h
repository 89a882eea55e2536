// The engine's profile folders: the cache under "TEMP", cookies and user data under "APPDATA", named after the
// profile; the cache moves every calendar month.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lzg {

// A folder is missing when its step failed ("TEMP" or "APPDATA" unset, empty or longer than the 1024-unit
// buffer); the engine setting then keeps its default.
struct ProfileFolders {
  std::optional<std::wstring> cache;
  std::optional<std::wstring> cookies;
  std::optional<std::wstring> user_data;
};

// "yymm" of a local date: 2406 for June 2024.
std::wstring DateSuffix(const SYSTEMTIME& local_time);

// Profile 0 ("lzgmin") or 1 ("lzgmin3game"); each folder in its own guarded step.
ProfileFolders ComputeProfileFolders(int profile, const SYSTEMTIME& local_time);

// The same with the current local time.
ProfileFolders ComputeProfileFolders(int profile);

}  // namespace lzg
