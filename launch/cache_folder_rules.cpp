#include "launch/cache_folder_rules.h"

namespace lzg {
namespace {

constexpr std::wstring_view kCachePrefix = L"cache";
constexpr size_t kMonthDigits = 4;

// ASCII digits only: a name with other digits is not one the client made.
bool AllDigits(std::wstring_view text) {
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return false;
  return true;
}

}  // namespace

std::wstring SlotSuffix(int slot) { return slot >= 2 ? L"-" + std::to_wstring(slot) : std::wstring(); }

std::wstring_view CacheFolderMonth(std::wstring_view name) {
  // Names compare exactly: the client creates them in lower case, and a look-alike is someone else's.
  if (name.substr(0, kCachePrefix.size()) != kCachePrefix) return {};
  const std::wstring_view rest = name.substr(kCachePrefix.size());
  const std::wstring_view month = rest.substr(0, kMonthDigits);
  if (month.size() != kMonthDigits || !AllDigits(month)) return {};
  const std::wstring_view slot = rest.substr(kMonthDigits);
  if (!slot.empty() && (slot.front() != L'-' || slot.size() < 2 || !AllDigits(slot.substr(1)))) return {};
  return month;
}

bool IsOldCache(const FolderEntry& entry, std::wstring_view this_month) {
  if (!entry.directory || entry.held) return false;
  const std::wstring_view month = CacheFolderMonth(entry.name);
  return !month.empty() && month != this_month;
}

}  // namespace lzg
