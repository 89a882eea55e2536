// File tests of the engine start-up: existence, the version resource and the PE machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/files.h"
#include "engine/startup_rules.h"

namespace lzg {

// The file version from the fixed part of the version resource; empty when the
// file is missing or has no readable version.
std::optional<FileVersion> GetDLLVersion(const std::wstring& path);
// The machine field of the PE header; empty when the file is not a readable PE file.
std::optional<uint16_t> GetDLLHeaderMachine(const std::wstring& path);
// Whether the version resource marks the file as a debug build (VS_FF_DEBUG among the flags its mask declares
// valid), as the engine's build marks its debug library; empty when the file has no readable version.
std::optional<bool> IsDebugBuild(const std::wstring& path);

}  // namespace lzg
