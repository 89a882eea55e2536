// The running executable and file existence.
#pragma once

#include <string>

namespace lzg {

// The executable's full path, however long; empty only when Windows cannot tell it.
std::wstring ExePath();
// The executable's directory with a trailing delimiter; empty when the path is unknown.
std::wstring ExeDirectory();

// A file, not a directory, is there.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

}  // namespace lzg
