// The engine's profile folders: the cache under "TEMP", cookies and user data under "APPDATA", named after the
// profile; the cache moves every calendar month. The n-th instance of a profile running at the same time keeps
// folders of its own (instance_slot.h).
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

// Profile 0 ("lzgmin") or 1 ("lzgmin3game"); each folder in its own guarded step. Instance slot n >= 2 appends
// "-n" to each of the three ("cache2406-2", "cookies-2", "UserData-2").
ProfileFolders ComputeProfileFolders(int profile, const SYSTEMTIME& local_time, int slot = 1);

// The first slot's with the current local time.
ProfileFolders ComputeProfileFolders(int profile);

// The profile's folder under "TEMP", which holds its caches ("TEMP" + "/lzgmin"); nothing when "TEMP" is
// unusable.
std::optional<std::wstring> ProfileTempFolder(int profile);

}  // namespace lzg
