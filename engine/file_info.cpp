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

// The fixed part of the file's version resource.
std::optional<VS_FIXEDFILEINFO> ReadFixedFileInfo(const std::wstring& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
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
