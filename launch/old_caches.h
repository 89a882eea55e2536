// The profile's caches of earlier months. The cache moves to a new folder every calendar month (and every
// instance slot has one of its own); these remove the old ones, which nothing else would, once the game has
// loaded and never on the start's path.
#pragma once

#include <string>
#include <vector>

namespace lzg {

// What one pass did, by folder name.
struct OldCacheSweep {
  std::vector<std::wstring> removed;
  std::vector<std::wstring> left;  // not removed completely (a file held open): for a later start
};

// Removes the old caches directly in `profile_folder` (the profile's folder under TEMP): the folders named as the
// client names caches, of a month other than `this_month` ("yymm"), that no running instance holds
// (cache_folder_rules.h, instance_slot.h). A junction or symbolic link goes as a link: what it points to is never
// entered. A folder that cannot be removed completely stays with what could not go. Each removal, and each folder
// left, is a line in the log. Nothing else is touched. A pass that finds another instance's pass under way over
// the same folder leaves it to that one.
OldCacheSweep RemoveOldCaches(const std::wstring& profile_folder, const std::wstring& this_month);

// RemoveOldCaches on a thread of its own at low priority; returns at once (false when no thread could be
// started). Nobody waits for the thread: it touches files only, and the process's end may cut it short, leaving
// the rest for a later start.
bool StartRemovingOldCaches(const std::wstring& profile_folder, const std::wstring& this_month);

}  // namespace lzg
