#include "engine/file_info.h"

#include <windows.h>

#include <vector>

#include "engine/bridge.h"

namespace lzg {
namespace {

struct FileHandle {
  HANDLE h;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

bool ReadExactly(HANDLE h, uint8_t* buffer, DWORD size) {
  DWORD read = 0;
  return ReadFile(h, buffer, size, &read, nullptr) && read == size;
}

// The fixed part of the file's version resource, the root block. The library is mapped once, as data (no code of
// it runs, whatever its machine): the version functions would map it twice (size, then data), which for the
// engine's library costs more than the rest of the start-up checks together.
std::optional<VS_FIXEDFILEINFO> ReadFixedFileInfo(const std::wstring& path) {
  const HMODULE file = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!file) return std::nullopt;
  struct Unmap {
    HMODULE h;
    ~Unmap() { FreeLibrary(h); }
  } unmap{file};
  const HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
  const HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
  const void* block = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(file, found) : 0;
  if (!block || size == 0) return std::nullopt;
  // A copy the query may read and write as it would the version functions' buffer.
  std::vector<uint8_t> data(static_cast<const uint8_t*>(block), static_cast<const uint8_t*>(block) + size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
      len < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return *info;
}

std::optional<FileVersion> GetExtendedFileVersion(const std::wstring& path) {
  std::optional<FileVersion> result;
  RunGuarded("GetExtendedFileVersion", [&] {
    if (std::optional<VS_FIXEDFILEINFO> info = ReadFixedFileInfo(path))
      result = FileVersionFromWords(info->dwFileVersionMS, info->dwFileVersionLS);
  });
  return result;
}

}  // namespace

std::optional<FileVersion> GetDLLVersion(const std::wstring& path) {
  std::optional<FileVersion> result;
  RunGuarded("GetDLLVersion", [&] {
    if (FileExists(path)) result = GetExtendedFileVersion(path);
  });
  return result;
}

std::optional<uint16_t> GetDLLHeaderMachine(const std::wstring& path) {
  std::optional<uint16_t> result;
  RunGuarded("GetDLLHeaderMachine", [&] {
    FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) return;
    uint8_t dos[kDosHeaderBytes];
    if (!ReadExactly(file.h, dos, sizeof dos)) return;
    std::optional<uint32_t> offset = PeHeaderOffset(dos, sizeof dos);
    if (!offset) return;
    LARGE_INTEGER at;
    at.QuadPart = *offset;
    if (!SetFilePointerEx(file.h, at, nullptr, FILE_BEGIN)) return;
    uint8_t header[kPeHeaderBytes];
    if (!ReadExactly(file.h, header, sizeof header)) return;
    result = PeMachine(header, sizeof header);
  });
  return result;
}

std::optional<bool> IsDebugBuild(const std::wstring& path) {
  std::optional<bool> result;
  RunGuarded("IsDebugBuild", [&] {
    if (!FileExists(path)) return;
    if (std::optional<VS_FIXEDFILEINFO> info = ReadFixedFileInfo(path))
      result = (info->dwFileFlags & info->dwFileFlagsMask & VS_FF_DEBUG) != 0;
  });
  return result;
}

}  // namespace lzg
