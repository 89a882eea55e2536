#include "launch/profile_folders.h"

#include <stdexcept>

#include "base/guarded.h"
#include "launch/cache_folder_rules.h"

namespace lzg {
namespace {

constexpr DWORD kEnvBuffer = 1024;

// The variable's value, or a failure when it is unset, empty or does not fit the
// buffer: a path built from an empty or cut value would put the engine's data
// somewhere nobody chose.
std::wstring RequireEnvironment(const wchar_t* name) {
  wchar_t buf[kEnvBuffer];
  DWORD n = GetEnvironmentVariableW(name, buf, kEnvBuffer);
  if (n == 0 || n >= kEnvBuffer) throw std::runtime_error("environment variable unusable");
  return std::wstring(buf, n);
}

const wchar_t* ProfileName(int profile) { return profile == 1 ? L"/lzgmin3game" : L"/lzgmin"; }

}  // namespace

std::wstring DateSuffix(const SYSTEMTIME& t) {
  const unsigned yy = t.wYear % 100, mm = t.wMonth % 100;
  return {wchar_t(L'0' + yy / 10), wchar_t(L'0' + yy % 10), wchar_t(L'0' + mm / 10), wchar_t(L'0' + mm % 10)};
}

ProfileFolders ComputeProfileFolders(int profile, const SYSTEMTIME& local_time, int slot) {
  const wchar_t* name = ProfileName(profile);
  const std::wstring suffix = DateSuffix(local_time);
  const std::wstring slot_suffix = SlotSuffix(slot);
  ProfileFolders folders;
  GuardedStep([&] { folders.cache = RequireEnvironment(L"TEMP") + name + L"/cache" + suffix + slot_suffix; });
  GuardedStep([&] { folders.cookies = RequireEnvironment(L"APPDATA") + name + L"/cookies" + slot_suffix; });
  GuardedStep([&] { folders.user_data = RequireEnvironment(L"APPDATA") + name + L"/UserData" + slot_suffix; });
  return folders;
}

ProfileFolders ComputeProfileFolders(int profile) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return ComputeProfileFolders(profile, now);
}

std::optional<std::wstring> ProfileTempFolder(int profile) {
  std::optional<std::wstring> folder;
  GuardedStep([&] { folder = RequireEnvironment(L"TEMP") + ProfileName(profile); });
  return folder;
}

}  // namespace lzg
