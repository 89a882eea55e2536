// Start-up rules of the engine runtime that need no Windows call: the process
// role, the browser switches, the engine file lists, the PE header and the
// texts the user is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/app_types.h"

namespace lzg {

// Role from the arguments after the program path: the last "--type=" argument
// (case-insensitive) decides; none gives ProcessType::kBrowser.
ProcessType ParseProcessType(const std::vector<std::wstring>& args);

struct BrowserSwitch {
  std::wstring name;  // with its leading "--"
  std::wstring value;
  bool has_value = false;
};

// What decides the browser switches, with the engine's defaults.
struct SwitchOptions {
  bool flash_enabled = true;
  bool enable_media_stream = true;
  bool enable_speech_input = true;
  bool enable_gpu = false;
  bool single_process = false;
  int smooth_scrolling = 0;  // STATE_DEFAULT / STATE_ENABLED / STATE_DISABLED
  AutoplayPolicy autoplay_policy = AutoplayPolicy::kDefault;
  bool fast_unload = false;
  bool disable_gpu_cache = true;
  bool disable_safe_browsing = false;
  bool mute_audio = false;
  bool disable_web_security = false;
  bool disable_pdf_extension = false;
  bool site_per_process = true;
  bool disable_extensions = false;
  bool disable_background_networking = false;
  bool metrics_recording_only = false;
  bool allow_file_access_from_files = false;
  bool allow_running_insecure_content = false;
};

// The switches in the order the engine must receive them.
std::vector<BrowserSwitch> BuildBrowserSwitches(const SwitchOptions& o);

// Engine files by directory.
std::vector<std::wstring> FrameworkFileNames();
std::vector<std::wstring> ResourceFileNames(bool disableExtensions, bool checkDevToolsResources);
// "<locale>.pak" per comma-separated entry; every locale of the engine when empty.
std::vector<std::wstring> LocaleFileNames(const std::wstring& localesRequired);

// Leading and trailing blanks and line breaks removed.
std::wstring TrimBlanks(const std::wstring& s);
// The part after the last "\" or "/".
std::wstring ExtractFileName(const std::wstring& path);
// Appends "\" unless the text already ends in a delimiter.
std::wstring IncludeTrailingPathDelimiter(const std::wstring& dir);

struct FileVersion {
  unsigned major = 0, minor = 0, release = 0, build = 0;
  bool operator==(const FileVersion&) const = default;
};
// From the two 32-bit words of a version resource's fixed part.
FileVersion FileVersionFromWords(uint32_t ms, uint32_t ls);
std::wstring FormatVersion(const FileVersion& v);
inline constexpr FileVersion kExpectedCefVersion{74, 1, 19, 0};

// PE header reading in two steps, as the file is read: the first 64 bytes give
// the header offset (nothing when not "MZ" or the offset is 0); the 248 bytes
// read there give the machine (nothing without the "PE\0\0" signature).
std::optional<uint32_t> PeHeaderOffset(const uint8_t* first, size_t size);
std::optional<uint16_t> PeMachine(const uint8_t* header, size_t size);
inline constexpr size_t kDosHeaderBytes = 64;
inline constexpr size_t kPeHeaderBytes = 248;
inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;

// Start-up messages.
std::wstring MissingFilesMessage(const std::wstring& missingFiles);
// `found` is empty when the version could not be read.
std::wstring UnsupportedVersionMessage(const std::optional<FileVersion>& found);
// Empty when the machine passes.
std::wstring MachineMessage(uint16_t machine);
std::wstring LoadErrorMessage(uint32_t errorCode);
std::wstring MissingExportMessage();

}  // namespace lzg
