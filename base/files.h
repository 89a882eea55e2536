// The running executable, whole-file reads and file existence.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace lzg {

// A text read through a call of GetModuleFileNameW's kind (writes at most `size` characters, returns how many,
// and returns `size` when the text was cut), in a buffer grown until it fits; empty when the call fails.
std::wstring ReadWhole(const std::function<DWORD(wchar_t* buffer, DWORD size)>& read);

// The executable's full path, however long; empty only when Windows cannot tell it.
std::wstring ExePath();
// The executable's directory with a trailing delimiter; empty when the path is unknown.
std::wstring ExeDirectory();

// The whole file's bytes; none when it cannot be opened or read to its end, or is larger than `max_bytes`.
std::optional<std::string> ReadFileBytes(const std::wstring& path, unsigned long long max_bytes = ~0ull);

// A file, not a directory, is there.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

}  // namespace lzg
