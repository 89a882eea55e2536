// Environment variables set for a while: for one test, or for the processes a test starts (which inherit them).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testutil {

// The value of an environment variable of this process; nothing when it is not set (set but empty is "").
inline std::optional<std::wstring> GetEnv(const std::wstring& name) {
  SetLastError(ERROR_SUCCESS);
  const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);  // with the terminating zero
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring();
  }
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(name.c_str(), value.data(), size);
  value.resize(n < size ? n : 0);
  return value;
}

// Sets or removes environment variables, and puts back at its end what each one was before its first change
// (its value, or its absence).
class ScopedEnv {
 public:
  using Values = std::initializer_list<std::pair<std::wstring, std::optional<std::wstring>>>;

  ScopedEnv() = default;
  explicit ScopedEnv(Values values) {
    for (const auto& [name, value] : values) Set(name, value);
  }
  ~ScopedEnv() { Restore(); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Sets `name` to `value`, or removes it when `value` is nothing.
  void Set(const std::wstring& name, const std::optional<std::wstring>& value) {
    bool seen = false;
    for (const auto& s : saved_) seen = seen || s.first == name;
    if (!seen) saved_.emplace_back(name, GetEnv(name));
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  }

  // Puts back now what the variables were (the end does nothing more then).
  void Restore() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
    saved_.clear();
  }

 private:
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

}  // namespace testutil
