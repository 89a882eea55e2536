// The client's own log, "%APPDATA%\lzgmin\logs\lzgmin.log": what support reads when a
// player reports a white page or a vanished window. Every process of every instance
// appends to the same file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lzg::log {

// Rotation threshold: the file becomes "lzgmin.1.log" (the older one "lzgmin.2.log").
constexpr unsigned long kRotateBytes = 1024 * 1024;

// Who is writing. Called on the process's main thread (which it records) before anything else writes;
// `role` is "main" or the engine's process type.
void SetProcess(int profile, const std::wstring& role);
// A value that must never appear in the log (credentials, codes). Any thread.
void AddSecret(const std::wstring& value);

// Appends one line. A line that cannot be written (no %APPDATA%, a read-only folder,
// a full disk, a file held too long by another program) is dropped; never throws.
void Write(std::wstring_view text) noexcept;

// The log file's path; empty when %APPDATA% is unusable.
std::wstring FilePath();

}  // namespace lzg::log
