#include "launch/instance_slot.h"

#include <cwchar>
#include <utility>

namespace lzg {
namespace {

// Far more instances than a machine runs; a claim that finds every slot taken keeps the first slot's folders.
constexpr int kMaxSlots = 1000;

const wchar_t kHoldKind[] = L"folder";

// The folder as Windows compares it: full, backslashes, no trailing separator, upper case.
std::wstring ComparableFolder(const std::wstring& folder) {
  std::wstring full(GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD n =
      full.empty() ? 0 : GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full = n && n < full.size() ? full.substr(0, n) : folder;
  for (wchar_t& c : full)
    if (c == L'/') c = L'\\';
  // "C:\" keeps its separator: it is the name of the root.
  while (full.size() > 1 && full.back() == L'\\' && !(full.size() == 3 && full[1] == L':')) full.pop_back();
  if (!full.empty()) CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return full;
}

enum class Hold { kTaken, kHeldElsewhere, kUnavailable };

// Takes the folder's object: made here (taken), or already there (another instance holds the folder).
Hold TakeFolder(const std::wstring& folder, std::vector<HANDLE>& holds) {
  HANDLE object = CreateMutexW(nullptr, FALSE, FolderObjectName(kHoldKind, folder).c_str());
  const DWORD error = GetLastError();
  if (object && error == ERROR_ALREADY_EXISTS) {
    CloseHandle(object);  // not ours to keep alive
    return Hold::kHeldElsewhere;
  }
  if (object) {
    holds.push_back(object);
    return Hold::kTaken;
  }
  // An object made by an instance of another account, which this one may not open, is held all the same.
  return error == ERROR_ACCESS_DENIED ? Hold::kHeldElsewhere : Hold::kUnavailable;
}

void Release(std::vector<HANDLE>& holds) {
  for (HANDLE h : holds) CloseHandle(h);
  holds.clear();
}

}  // namespace

std::wstring FolderObjectName(const std::wstring& kind, const std::wstring& folder) {
  unsigned long long hash = 14695981039346656037ull;
  for (wchar_t c : ComparableFolder(folder)) hash = (hash ^ static_cast<unsigned short>(c)) * 1099511628211ull;
  wchar_t hex[24];
  swprintf(hex, 24, L"%016llx", hash);
  return L"Local\\lzgmin-" + kind + L"-" + hex;
}

InstanceSlot InstanceSlot::Claim(int profile, const SYSTEMTIME& local_time) {
  for (int n = 1; n <= kMaxSlots; ++n) {
    ProfileFolders folders = ComputeProfileFolders(profile, local_time, n);
    std::vector<HANDLE> holds;
    bool free = true;
    // Always in this order, so that of two instances starting at once the first to take a slot's first folder
    // has the slot, and the other goes on to the next.
    for (const auto* folder : {&folders.cache, &folders.cookies, &folders.user_data}) {
      if (*folder && TakeFolder(**folder, holds) == Hold::kHeldElsewhere) {
        free = false;
        break;
      }
    }
    if (free) return InstanceSlot(n, std::move(folders), std::move(holds));
    Release(holds);
  }
  return InstanceSlot(1, ComputeProfileFolders(profile, local_time, 1), {});
}

InstanceSlot::InstanceSlot(int number, ProfileFolders folders, std::vector<HANDLE> holds)
    : number_(number), folders_(std::move(folders)), holds_(std::move(holds)) {}

InstanceSlot::InstanceSlot(InstanceSlot&& other) noexcept
    : number_(other.number_), folders_(std::move(other.folders_)), holds_(std::move(other.holds_)) {
  other.holds_.clear();
}

InstanceSlot::~InstanceSlot() { Release(holds_); }

bool FolderHeld(const std::wstring& folder) {
  HANDLE object = OpenMutexW(SYNCHRONIZE, FALSE, FolderObjectName(kHoldKind, folder).c_str());
  if (object) {
    CloseHandle(object);
    return true;
  }
  return GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace lzg
