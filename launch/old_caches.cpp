#include "launch/old_caches.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/guarded.h"
#include "base/log.h"
#include "launch/cache_folder_rules.h"
#include "launch/instance_slot.h"

namespace lzg {
namespace {

bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool Succeeded(BOOL ok) { return ok || Gone(GetLastError()); }

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

// The full path in its long form, so that files deep in a cache are reached too.
std::wstring LongPath(const std::wstring& path) {
  std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD n =
      full.empty() ? 0 : GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (!n || n >= full.size()) return path;
  full.resize(n);
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A link itself, never what it points to: a directory link goes as a directory, a file link as a file.
bool RemoveLink(const std::wstring& path, DWORD attributes) {
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return Succeeded(folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str()));
}

bool RemoveFile(const std::wstring& path, DWORD attributes) {
  if (Succeeded(DeleteFileW(path.c_str()))) return true;
  if (!(attributes & FILE_ATTRIBUTE_READONLY) || GetLastError() != ERROR_ACCESS_DENIED) return false;
  return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
         Succeeded(DeleteFileW(path.c_str()));
}

// A real folder (not a link) with everything in it, depth first without recursion (a deep tree cannot exhaust
// the thread's stack). True when it is gone.
bool RemoveTree(const std::wstring& root) {
  struct Pending {
    std::wstring path;
    bool listed = false;
  };
  std::vector<Pending> pending{{root}};
  bool complete = true;
  while (!pending.empty()) {
    if (pending.back().listed) {
      complete = Succeeded(RemoveDirectoryW(pending.back().path.c_str())) && complete;
      pending.pop_back();
      continue;
    }
    pending.back().listed = true;
    const std::wstring folder = pending.back().path;
    WIN32_FIND_DATAW entry;
    HANDLE find =
        FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
      complete = Gone(GetLastError()) && complete;
      continue;
    }
    do {
      if (IsDots(entry.cFileName)) continue;
      const std::wstring path = folder + L"\\" + entry.cFileName;
      const DWORD attributes = entry.dwFileAttributes;
      if (IsLink(attributes)) {
        complete = RemoveLink(path, attributes) && complete;
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        pending.push_back({path});
      } else {
        complete = RemoveFile(path, attributes) && complete;
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  return complete;
}

// "lzgmin\cache2411-2": the place a log line names, without the player's own folders.
std::wstring ShownName(const std::wstring& profile_folder, const std::wstring& name) {
  const size_t cut = profile_folder.find_last_of(L"\\/");
  return (cut == std::wstring::npos ? profile_folder : profile_folder.substr(cut + 1)) + L"\\" + name;
}

struct SweepJob {
  std::wstring profile_folder, this_month;
};

DWORD WINAPI SweepThread(void* param) {
  std::unique_ptr<SweepJob> job(static_cast<SweepJob*>(param));
  // Its disk work too goes behind everyone else's, where the system offers that.
  SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
  GuardedStep([&] { RemoveOldCaches(job->profile_folder, job->this_month); });
  return 0;
}

}  // namespace

OldCacheSweep RemoveOldCaches(const std::wstring& profile_folder, const std::wstring& this_month) {
  OldCacheSweep sweep;
  // One pass at a time over a profile's folder: instances that load their games together would otherwise remove
  // the same folders twice over.
  HANDLE turn = CreateMutexW(nullptr, FALSE, FolderObjectName(L"sweep", profile_folder).c_str());
  if (turn && WaitForSingleObject(turn, 0) == WAIT_TIMEOUT) {
    CloseHandle(turn);
    return sweep;
  }
  const std::wstring long_folder = LongPath(profile_folder);
  WIN32_FIND_DATAW entry;
  HANDLE find =
      FindFirstFileExW((long_folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  std::vector<std::pair<std::wstring, DWORD>> old;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      const DWORD attributes = entry.dwFileAttributes;
      FolderEntry folder{name, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, false};
      if (!CacheFolderMonth(name).empty()) folder.held = FolderHeld(profile_folder + L"\\" + name);
      if (IsOldCache(folder, this_month)) old.emplace_back(name, attributes);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  for (const auto& [name, attributes] : old) {
    const std::wstring path = long_folder + L"\\" + name;
    const bool removed = IsLink(attributes) ? RemoveLink(path, attributes) : RemoveTree(path);
    if (removed) {
      sweep.removed.push_back(name);
      log::Write(L"Old cache removed: " + ShownName(profile_folder, name));
    } else {
      sweep.left.push_back(name);
      log::Write(L"Old cache not removed completely, left for a later start: " +
                 ShownName(profile_folder, name));
    }
  }
  if (turn) {
    ReleaseMutex(turn);
    CloseHandle(turn);
  }
  return sweep;
}

bool StartRemovingOldCaches(const std::wstring& profile_folder, const std::wstring& this_month) {
  auto* job = new SweepJob{profile_folder, this_month};
  // Small: the pass needs little stack. It never runs at the normal priority.
  constexpr DWORD kStackReserve = 256 * 1024;
  HANDLE thread = CreateThread(nullptr, kStackReserve, &SweepThread, job,
                               CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!thread) {
    delete job;
    return false;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
  ResumeThread(thread);
  CloseHandle(thread);
  return true;
}

}  // namespace lzg
