#include "engine/startup_rules.h"

#include "base/command_line.h"

#include <cstdio>

namespace lzg {
namespace {

// The engine's texts are ASCII; a locale-independent fold is all that is needed.
wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoreCase(const std::wstring& a, const wchar_t* b) {
  size_t n = 0;
  for (; b[n]; ++n) {
    if (n >= a.size() || FoldAscii(a[n]) != FoldAscii(b[n])) return false;
  }
  return n == a.size();
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

const wchar_t kCrlf[] = L"\r\n";
const wchar_t kDocsLine[] =
    L"This client needs the Windows 32-bit binaries of CEF 74.1.19 (Chromium 74.0.3729.157); "
    L"copy them from the client's installation package into the \"cef\" folder.";

}  // namespace

ProcessType ParseProcessType(const std::vector<std::wstring>& args) {
  const std::optional<std::wstring> value = SwitchValue(args, L"type");
  if (!value) return ProcessType::kBrowser;
  if (EqualsIgnoreCase(*value, L"renderer")) return ProcessType::kRenderer;
  if (EqualsIgnoreCase(*value, L"zygote")) return ProcessType::kZygote;
  if (EqualsIgnoreCase(*value, L"gpu-process")) return ProcessType::kGpu;
  return ProcessType::kOther;
}

std::vector<BrowserSwitch> BuildBrowserSwitches(const SwitchOptions& o) {
  std::vector<BrowserSwitch> out;
  auto add = [&](const wchar_t* name) { out.push_back({name, L"", false}); };
  auto addValue = [&](const wchar_t* name, const wchar_t* value) { out.push_back({name, value, true}); };

  if (o.flash_enabled) {
    if (o.enable_gpu) add(L"--enable-gpu-plugin");
    add(L"--enable-accelerated-plugins");
    add(L"--enable-system-flash");
  }
  addValue(L"--enable-media-stream", o.enable_media_stream ? L"1" : L"0");
  addValue(L"--enable-speech-input", o.enable_speech_input ? L"1" : L"0");
  if (!o.enable_gpu) {
    add(L"--disable-gpu");
    add(L"--disable-gpu-compositing");
  }
  if (o.single_process) add(L"--single-process");
  if (o.smooth_scrolling == 1) add(L"--enable-smooth-scrolling");
  if (o.smooth_scrolling == 2) add(L"--disable-smooth-scrolling");
  switch (o.autoplay_policy) {
    case AutoplayPolicy::kDocumentUserActivationRequired: addValue(L"--autoplay-policy", L"document-user-activation-required"); break;
    case AutoplayPolicy::kNoUserGestureRequired: addValue(L"--autoplay-policy", L"no-user-gesture-required"); break;
    case AutoplayPolicy::kUserGestureRequired: addValue(L"--autoplay-policy", L"user-gesture-required"); break;
    case AutoplayPolicy::kUserGestureRequiredForCrossOrigin:
      addValue(L"--autoplay-policy", L"user-gesture-required-for-cross-origin");
      break;
    case AutoplayPolicy::kDefault: break;
  }
  if (o.fast_unload) add(L"--enable-fast-unload");
  if (o.disable_gpu_cache) add(L"--disable-gpu-shader-disk-cache");
  if (o.disable_safe_browsing) {
    add(L"--disable-client-side-phishing-detection");
    add(L"--safebrowsing-disable-auto-update");
    add(L"--safebrowsing-disable-download-protection");
  }
  if (o.mute_audio) add(L"--mute-audio");
  if (o.disable_web_security) add(L"--disable-web-security");
  if (o.disable_pdf_extension) add(L"--disable-pdf-extension");
  if (o.site_per_process) add(L"--site-per-process");
  if (o.disable_extensions) add(L"--disable-extensions");
  if (o.disable_background_networking) add(L"--disable-background-networking");
  if (o.metrics_recording_only) add(L"--metrics-recording-only");
  if (o.allow_file_access_from_files) add(L"--allow-file-access-from-files");
  if (o.allow_running_insecure_content) add(L"--allow-running-insecure-content");
  return out;
}

std::vector<std::wstring> FrameworkFileNames() {
  return {L"chrome_elf.dll",          L"libcef.dll",  L"d3dcompiler_47.dll", L"libEGL.dll", L"libGLESv2.dll",
          L"swiftshader\\libEGL.dll", L"swiftshader\\libGLESv2.dll", L"icudtl.dat"};
}

std::vector<std::wstring> ResourceFileNames(bool disableExtensions, bool checkDevToolsResources) {
  std::vector<std::wstring> names = {L"natives_blob.bin", L"snapshot_blob.bin", L"v8_context_snapshot.bin",
                                     L"cef.pak",          L"cef_100_percent.pak", L"cef_200_percent.pak"};
  if (!disableExtensions) names.push_back(L"cef_extensions.pak");
  if (checkDevToolsResources) names.push_back(L"devtools_resources.pak");
  return names;
}

std::vector<std::wstring> LocaleFileNames(const std::wstring& localesRequired) {
  std::wstring list = localesRequired.empty()
                          ? L"am,ar,bg,bn,ca,cs,da,de,el,en-GB,en-US,es,es-419,et,fa,fi,fil,fr,gu,he,hi,hr,hu,id,it,ja,"
                            L"kn,ko,lt,lv,ml,mr,ms,nb,nl,pl,pt-BR,pt-PT,ro,ru,sk,sl,sr,sv,sw,ta,te,th,tr,uk,vi,zh-CN,zh-TW"
                          : localesRequired;
  std::vector<std::wstring> names;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(L',', start);
    if (comma == std::wstring::npos) comma = list.size();
    std::wstring name = TrimBlanks(list.substr(start, comma - start));
    if (!name.empty()) names.push_back(name + L".pak");
    start = comma + 1;
  }
  return names;
}

std::wstring TrimBlanks(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::wstring ExtractFileName(const std::wstring& path) {
  size_t p = path.find_last_of(L"\\/");
  return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::wstring IncludeTrailingPathDelimiter(const std::wstring& dir) {
  if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) return dir;
  return dir + L"\\";
}

FileVersion FileVersionFromWords(uint32_t ms, uint32_t ls) {
  return {ms >> 16, ms & 0xFFFFu, ls >> 16, ls & 0xFFFFu};
}

std::wstring FormatVersion(const FileVersion& v) {
  return std::to_wstring(v.major) + L"." + std::to_wstring(v.minor) + L"." + std::to_wstring(v.release) + L"." +
         std::to_wstring(v.build);
}

static uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

std::optional<uint32_t> PeHeaderOffset(const uint8_t* first, size_t size) {
  if (!first || size < kDosHeaderBytes) return std::nullopt;
  if (first[0] != 'M' || first[1] != 'Z') return std::nullopt;
  uint32_t offset = ReadLe32(first + 60);
  if (offset == 0) return std::nullopt;
  return offset;
}

std::optional<uint16_t> PeMachine(const uint8_t* header, size_t size) {
  if (!header || size < kPeHeaderBytes) return std::nullopt;
  if (ReadLe32(header) != 0x00004550u) return std::nullopt;
  return static_cast<uint16_t>(header[4] | header[5] << 8);
}

std::wstring MissingFilesMessage(const std::wstring& missingFiles) {
  return std::wstring(L"CEF3 binaries missing !") + kCrlf + kCrlf + L"The missing files are :" + kCrlf +
         TrimBlanks(missingFiles);
}

std::wstring UnsupportedVersionMessage(const std::optional<FileVersion>& found) {
  std::wstring text = std::wstring(L"Unsupported CEF version !") + kCrlf + kCrlf + kDocsLine;
  if (found) {
    text += std::wstring(kCrlf) + kCrlf + L"Expected libcef.dll version : " + FormatVersion(kExpectedCefVersion) +
            kCrlf + L"Found libcef.dll version : " + FormatVersion(*found);
  }
  return text;
}

std::wstring MachineMessage(uint16_t machine) {
  if (machine == kMachineI386) return std::wstring();
  if (machine == kMachineAmd64) {
    return L"Wrong CEF3 binaries !\r\n\r\nUse the 64 bit CEF3 binaries with 64 bits applications only.";
  }
  return std::wstring(L"Unknown CEF3 binaries !") + kCrlf + kCrlf + kDocsLine;
}

std::wstring LoadErrorMessage(uint32_t errorCode) {
  wchar_t hex[16];
  std::swprintf(hex, 16, L"%08X", static_cast<unsigned>(errorCode));
  return std::wstring(L"Error loading libcef.dll") + kCrlf + kCrlf + L"Error code : 0x" + hex;
}

std::wstring MissingExportMessage() { return std::wstring(L"Unsupported CEF version !") + kCrlf + kCrlf + kDocsLine; }

}  // namespace lzg
