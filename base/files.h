// The running executable and file existence.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lzg {

// A text read through a call of GetModuleFileNameW's kind (writes at most `size` characters, returns how many,
// and returns `size` when the text was cut), in a buffer grown until it fits; empty when the call fails.
std::wstring ReadWhole(const std::function<DWORD(wchar_t* buffer, DWORD size)>& read);

// The executable's full path, however long; empty only when Windows cannot tell it.
std::wstring ExePath();
// The executable's directory with a trailing delimiter; empty when the path is unknown.
std::wstring ExeDirectory();

// A file, not a directory, is there.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

}  // namespace lzg
