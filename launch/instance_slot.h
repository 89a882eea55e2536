// Instances of one profile running at the same time each keep browser data of their own: the engine allows one
// process per cache, cookie and user-data folder. The first running instance uses the profile's folders; the n-th
// (n >= 2) uses them with "-n" appended, taking the lowest n whose folders no running instance holds. An
// instance holds each of its folders through a named kernel object of the session for the life of its process,
// so a crash or a kill frees them with it. Only the main process of an instance claims; engine sub-processes use
// no folders.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "launch/profile_folders.h"

namespace lzg {

class InstanceSlot {
 public:
  // The lowest slot whose folders (the profile's, of `local_time`'s month) no running instance holds, held from
  // here on. A folder whose object cannot be made at all is used without being held (slot 1 when none can).
  static InstanceSlot Claim(int profile, const SYSTEMTIME& local_time);

  InstanceSlot(InstanceSlot&& other) noexcept;
  InstanceSlot& operator=(InstanceSlot&&) = delete;
  // Frees the folders. The launch keeps its slot until the process ends.
  ~InstanceSlot();

  int number() const { return number_; }
  const ProfileFolders& folders() const { return folders_; }

 private:
  InstanceSlot(int number, ProfileFolders folders, std::vector<HANDLE> holds);

  int number_;
  ProfileFolders folders_;
  std::vector<HANDLE> holds_;
};

// Whether a running instance (this one too) holds `folder`, compared as Windows compares paths: the full path,
// without regard to case, slash direction or a trailing separator.
bool FolderHeld(const std::wstring& folder);

// A name for a kernel object of this session that stands for `folder` as FolderHeld compares it, after `kind`
// (letters and dashes).
std::wstring FolderObjectName(const std::wstring& kind, const std::wstring& folder);

}  // namespace lzg
