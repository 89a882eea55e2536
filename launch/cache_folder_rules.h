// How the profile's folders are named per instance and per month, and which folders beside this month's cache
// are old caches to remove. Platform-free.
#pragma once

#include <string>
#include <string_view>

namespace lzg {

// What the n-th running instance of a profile (n >= 2) appends to each of the profile's folders: "-2", "-3", ...
// The first instance uses the profile's folders as they are (nothing).
std::wstring SlotSuffix(int slot);

// The month ("2411") of a cache folder's name as the client gives it: "cache" + four digits, or that + "-" + a
// number (the slot). Empty for any other name.
std::wstring_view CacheFolderMonth(std::wstring_view name);

// An entry found directly in the profile's folder under TEMP.
struct FolderEntry {
  std::wstring_view name;
  bool directory = false;  // a folder, or a link to one (a junction, a directory symbolic link)
  bool held = false;       // a running instance keeps its cache there
};

// An old cache, to be removed: a folder named as the client names caches, of a month other than `this_month`
// ("yymm"), that no running instance holds. Nothing else ever is.
bool IsOldCache(const FolderEntry& entry, std::wstring_view this_month);

}  // namespace lzg
