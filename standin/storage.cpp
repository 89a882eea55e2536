// Storage folders across processes: each folder a browser process uses is a named section of this session,
// named after the folder as Windows compares it, holding the process's id. The kernel frees the section with
// the last process that holds it, so a killed or crashed process frees its folders too.
#include "standin/storage.h"

#include <windows.h>

#include <cwchar>
#include <mutex>
#include <set>
#include <vector>

#include "standin/trace.h"

namespace standin {
namespace {

// What the section holds: who uses the folder, written once by its creator.
struct FolderRecord {
  volatile LONG pid;
};

// The folder as Windows compares it: full, backslashes, no trailing separator, upper case.
std::wstring ComparableFolder(const std::wstring& folder) {
  std::wstring full(GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD n = full.empty() ? 0 : GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full = n && n < full.size() ? full.substr(0, n) : folder;
  for (wchar_t& c : full)
    if (c == L'/') c = L'\\';
  // "C:\" keeps its separator: it is the name of the root.
  while (full.size() > 1 && full.back() == L'\\' && !(full.size() == 3 && full[1] == L':')) full.pop_back();
  if (!full.empty()) CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return full;
}

std::wstring SectionName(const std::wstring& comparable) {
  unsigned long long hash = 14695981039346656037ull;
  for (wchar_t c : comparable) hash = (hash ^ static_cast<unsigned short>(c)) * 1099511628211ull;
  wchar_t name[64];
  swprintf(name, 64, L"Local\\standin-storage-%016llx", hash);
  return name;
}

struct Claims {
  std::mutex mu;
  std::set<std::wstring> folders;  // comparable forms this process holds
  std::vector<HANDLE> sections;
};

Claims& Held() {
  static Claims* claims = new Claims();  // never destroyed: engine threads may claim during process exit
  return *claims;
}

// Who holds the section another process created; 0 when its creator has not said yet.
DWORD OwnerOf(HANDLE section) {
  auto* record = static_cast<FolderRecord*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(FolderRecord)));
  if (!record) return 0;
  DWORD pid = 0;
  // The creator writes its id right after creating the section.
  for (int i = 0; i < 100 && (pid = static_cast<DWORD>(record->pid)) == 0; ++i) Sleep(10);
  UnmapViewOfFile(record);
  return pid;
}

}  // namespace

void UseStorageFolder(const char* what, const std::wstring& folder) {
  if (folder.empty()) return;
  const std::wstring comparable = ComparableFolder(folder);
  Claims& held = Held();
  std::lock_guard<std::mutex> lock(held.mu);
  // One process may use a folder for several purposes.
  if (held.folders.count(comparable)) return;
  const std::wstring name = SectionName(comparable);
  HANDLE section =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FolderRecord), name.c_str());
  const DWORD error = GetLastError();
  if (!section) {
    Fault(std::string("cannot claim the ") + what + " " + ToUtf8(folder) + ": error " + std::to_string(error));
    return;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    // Another process's folder: this process must not keep it alive past that one.
    const DWORD owner = OwnerOf(section);
    CloseHandle(section);
    Fault(std::string(what) + " " + ToUtf8(folder) + " is already used by browser process " +
          (owner ? std::to_string(owner) : std::string("(unknown)")));
    return;
  }
  if (auto* record = static_cast<FolderRecord*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(FolderRecord)))) {
    InterlockedExchange(&record->pid, static_cast<LONG>(GetCurrentProcessId()));
    UnmapViewOfFile(record);
  }
  held.folders.insert(comparable);
  held.sections.push_back(section);
}

void ReleaseStorageFolders() {
  Claims& held = Held();
  std::lock_guard<std::mutex> lock(held.mu);
  for (HANDLE section : held.sections) CloseHandle(section);
  held.sections.clear();
  held.folders.clear();
}

}  // namespace standin
