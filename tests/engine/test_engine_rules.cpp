// The runtime's start-up rules: process role, browser switches, file lists, PE
// header and the texts the user is shown.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/startup_rules.h"

using namespace lzg;

TEST(ProcessType, LastTypeArgumentDecidesIgnoringCase) {
  struct Case {
    std::vector<std::wstring> args;
    ProcessType expected;
  } cases[] = {
      {{}, ProcessType::kBrowser},
      {{L"https://game.example/play?id=1"}, ProcessType::kBrowser},
      {{L"--type=renderer"}, ProcessType::kRenderer},
      {{L"--TYPE=GPU-PROCESS"}, ProcessType::kGpu},
      {{L"--Type=Zygote"}, ProcessType::kZygote},
      {{L"--type=utility"}, ProcessType::kOther},
      {{L"--type="}, ProcessType::kOther},
      {{L"--type"}, ProcessType::kBrowser},
      {{L"--typ=renderer"}, ProcessType::kBrowser},
      {{L"--type=renderer-x"}, ProcessType::kOther},
      {{L"--type=gpu-process", L"--lang=zh-CN", L"--type=renderer"}, ProcessType::kRenderer},
      {{L"--type=renderer", L"--type=gpu-process"}, ProcessType::kGpu},
      {{L"x --type=renderer"}, ProcessType::kBrowser},
  };
  for (const Case& c : cases) {
    std::wstring joined;
    for (auto& a : c.args) joined += a + L" ";
    EXPECT_EQ(ParseProcessType(c.args), c.expected) << std::string(joined.begin(), joined.end());
  }
}

namespace {
std::vector<std::wstring> Render(const std::vector<BrowserSwitch>& switches) {
  std::vector<std::wstring> out;
  for (auto& s : switches) out.push_back(s.has_value ? s.name + L"=" + s.value : s.name);
  return out;
}
SwitchOptions ThisClient() {
  SwitchOptions o;
  o.flash_enabled = false;
  o.enable_gpu = true;
  o.disable_gpu_cache = false;  // a cache path is set
  return o;
}
}  // namespace

TEST(BrowserSwitches, ThisClientGetsExactlyThreeInOrder) {
  EXPECT_EQ(Render(BuildBrowserSwitches(ThisClient())),
            (std::vector<std::wstring>{L"--enable-media-stream=1", L"--enable-speech-input=1", L"--site-per-process"}));
  std::vector<BrowserSwitch> s = BuildBrowserSwitches(ThisClient());
  EXPECT_TRUE(s[0].has_value);
  EXPECT_FALSE(s[2].has_value);
}

TEST(BrowserSwitches, TableOrderForOtherSettings) {
  struct Case {
    const char* what;
    void (*change)(SwitchOptions&);
    std::vector<std::wstring> expected;
  } cases[] = {
      {"creation defaults", [](SwitchOptions&) {},
       {L"--enable-gpu-plugin" /*absent: GPU off*/}},
      {"flash without GPU",
       [](SwitchOptions& o) {
         o.flash_enabled = true;
         o.enable_gpu = false;
         o.disable_gpu_cache = false;
       },
       {L"--enable-accelerated-plugins", L"--enable-system-flash", L"--enable-media-stream=1",
        L"--enable-speech-input=1", L"--disable-gpu", L"--disable-gpu-compositing", L"--site-per-process"}},
      {"flash with GPU",
       [](SwitchOptions& o) {
         o.flash_enabled = true;
         o.enable_gpu = true;
         o.disable_gpu_cache = false;
         o.site_per_process = false;
       },
       {L"--enable-gpu-plugin", L"--enable-accelerated-plugins", L"--enable-system-flash", L"--enable-media-stream=1",
        L"--enable-speech-input=1"}},
      {"everything off or on",
       [](SwitchOptions& o) {
         o.flash_enabled = false;
         o.enable_media_stream = false;
         o.enable_speech_input = false;
         o.enable_gpu = true;
         o.single_process = true;
         o.smooth_scrolling = 2;
         o.autoplay_policy = AutoplayPolicy::kUserGestureRequiredForCrossOrigin;
         o.fast_unload = true;
         o.disable_gpu_cache = true;
         o.disable_safe_browsing = true;
         o.mute_audio = true;
         o.disable_web_security = true;
         o.disable_pdf_extension = true;
         o.site_per_process = true;
         o.disable_extensions = true;
         o.disable_background_networking = true;
         o.metrics_recording_only = true;
         o.allow_file_access_from_files = true;
         o.allow_running_insecure_content = true;
       },
       {L"--enable-media-stream=0", L"--enable-speech-input=0", L"--single-process", L"--disable-smooth-scrolling",
        L"--autoplay-policy=user-gesture-required-for-cross-origin", L"--enable-fast-unload",
        L"--disable-gpu-shader-disk-cache", L"--disable-client-side-phishing-detection",
        L"--safebrowsing-disable-auto-update", L"--safebrowsing-disable-download-protection", L"--mute-audio",
        L"--disable-web-security", L"--disable-pdf-extension", L"--site-per-process", L"--disable-extensions",
        L"--disable-background-networking", L"--metrics-recording-only", L"--allow-file-access-from-files",
        L"--allow-running-insecure-content"}},
      {"smooth scrolling on, autoplay policies",
       [](SwitchOptions& o) {
         o = ThisClient();
         o.smooth_scrolling = 1;
         o.autoplay_policy = AutoplayPolicy::kDocumentUserActivationRequired;
       },
       {L"--enable-media-stream=1", L"--enable-speech-input=1", L"--enable-smooth-scrolling",
        L"--autoplay-policy=document-user-activation-required", L"--site-per-process"}},
  };
  // The creation defaults: flash on, GPU off, GPU cache disabled.
  cases[0].expected = {L"--enable-accelerated-plugins", L"--enable-system-flash", L"--enable-media-stream=1",
                       L"--enable-speech-input=1", L"--disable-gpu", L"--disable-gpu-compositing",
                       L"--disable-gpu-shader-disk-cache", L"--site-per-process"};
  for (const Case& c : cases) {
    SwitchOptions o;
    c.change(o);
    EXPECT_EQ(Render(BuildBrowserSwitches(o)), c.expected) << c.what;
  }
  SwitchOptions o = ThisClient();
  const std::pair<AutoplayPolicy, const wchar_t*> policies[] = {
      {AutoplayPolicy::kNoUserGestureRequired, L"--autoplay-policy=no-user-gesture-required"},
      {AutoplayPolicy::kUserGestureRequired, L"--autoplay-policy=user-gesture-required"}};
  for (auto& [policy, text] : policies) {
    o.autoplay_policy = policy;
    EXPECT_EQ(Render(BuildBrowserSwitches(o))[2], text);
  }
}

TEST(EngineFiles, ListsPerDirectory) {
  EXPECT_EQ(FrameworkFileNames(),
            (std::vector<std::wstring>{L"chrome_elf.dll", L"libcef.dll", L"d3dcompiler_47.dll", L"libEGL.dll",
                                       L"libGLESv2.dll", L"swiftshader\\libEGL.dll", L"swiftshader\\libGLESv2.dll",
                                       L"icudtl.dat"}));
  std::vector<std::wstring> base = {L"natives_blob.bin", L"snapshot_blob.bin", L"v8_context_snapshot.bin",
                                    L"cef.pak",          L"cef_100_percent.pak", L"cef_200_percent.pak"};
  EXPECT_EQ(ResourceFileNames(true, false), base);
  auto full = base;
  full.push_back(L"cef_extensions.pak");
  full.push_back(L"devtools_resources.pak");
  EXPECT_EQ(ResourceFileNames(false, true), full);

  EXPECT_EQ(LocaleFileNames(L"zh-CN"), std::vector<std::wstring>{L"zh-CN.pak"});
  EXPECT_EQ(LocaleFileNames(L"zh-CN, en-US,,"), (std::vector<std::wstring>{L"zh-CN.pak", L"en-US.pak"}));
  std::vector<std::wstring> all = LocaleFileNames(L"");
  ASSERT_EQ(all.size(), 53u);
  EXPECT_EQ(all.front(), L"am.pak");
  EXPECT_EQ(all[12], L"es-419.pak");
  EXPECT_EQ(all.back(), L"zh-TW.pak");
}

TEST(Texts, TrimAndPaths) {
  EXPECT_EQ(TrimBlanks(L"\r\n  a\r\nb \t\r\n"), L"a\r\nb");
  EXPECT_EQ(TrimBlanks(L" \r\n"), L"");
  EXPECT_EQ(ExtractFileName(L"C:\\x/y\\sub.exe"), L"sub.exe");
  EXPECT_EQ(ExtractFileName(L"sub.exe"), L"sub.exe");
  EXPECT_EQ(IncludeTrailingPathDelimiter(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(L"C:/a/"), L"C:/a/");
}

TEST(Texts, StartupMessagesExactly) {
  EXPECT_EQ(MissingFilesMessage(L"\r\nC:\\g\\cef\\libcef.dll\r\nlocales\\zh-CN.pak\r\n"),
            L"CEF3 binaries missing !\r\n\r\nThe missing files are :\r\nC:\\g\\cef\\libcef.dll\r\nlocales\\zh-CN.pak");
  EXPECT_EQ(LoadErrorMessage(126), L"Error loading libcef.dll\r\n\r\nError code : 0x0000007E");
  EXPECT_EQ(LoadErrorMessage(0xC1), L"Error loading libcef.dll\r\n\r\nError code : 0x000000C1");
  EXPECT_EQ(LoadErrorMessage(0x8007000Eu), L"Error loading libcef.dll\r\n\r\nError code : 0x8007000E");
  EXPECT_EQ(MachineMessage(kMachineI386), L"");
  EXPECT_EQ(MachineMessage(kMachineAmd64),
            L"Wrong CEF3 binaries !\r\n\r\nUse the 64 bit CEF3 binaries with 64 bits applications only.");

  const std::wstring unknown = MachineMessage(0x01C4);
  const std::wstring noVersion = UnsupportedVersionMessage(std::nullopt);
  const std::wstring missingExport = MissingExportMessage();
  const std::wstring head = L"Unsupported CEF version !\r\n\r\n";
  ASSERT_EQ(noVersion.compare(0, head.size(), head), 0);
  const std::wstring docsLine = noVersion.substr(head.size());
  EXPECT_FALSE(docsLine.empty());
  EXPECT_EQ(docsLine.find(L"\r\n"), std::wstring::npos);  // one line
  EXPECT_EQ(missingExport, noVersion);
  EXPECT_EQ(unknown, L"Unknown CEF3 binaries !\r\n\r\n" + docsLine);
  EXPECT_EQ(UnsupportedVersionMessage(FileVersion{74, 1, 18, 0}),
            noVersion + L"\r\n\r\nExpected libcef.dll version : 74.1.19.0\r\nFound libcef.dll version : 74.1.18.0");
}

TEST(FileVersionWords, HighAndLowHalves) {
  EXPECT_EQ(FileVersionFromWords(0x004A0001u, 0x00130000u), (FileVersion{74, 1, 19, 0}));
  EXPECT_EQ(FormatVersion(FileVersionFromWords(0xFFFF0002u, 0x00030004u)), L"65535.2.3.4");
}

TEST(PeHeader, OffsetAndMachine) {
  std::vector<uint8_t> dos(64, 0);
  dos[0] = 'M';
  dos[1] = 'Z';
  dos[60] = 0x80;
  EXPECT_EQ(PeHeaderOffset(dos.data(), dos.size()), std::optional<uint32_t>(0x80));
  EXPECT_EQ(PeHeaderOffset(dos.data(), 63), std::nullopt);  // short read
  dos[62] = 0x01;
  EXPECT_EQ(PeHeaderOffset(dos.data(), dos.size()), std::optional<uint32_t>(0x10080));
  dos[60] = dos[62] = 0;
  EXPECT_EQ(PeHeaderOffset(dos.data(), dos.size()), std::nullopt);  // zero offset
  dos[60] = 0x80;
  dos[0] = 'Z';
  EXPECT_EQ(PeHeaderOffset(dos.data(), dos.size()), std::nullopt);  // no "MZ"

  std::vector<uint8_t> pe(248, 0);
  std::memcpy(pe.data(), "PE\0\0", 4);
  pe[4] = 0x64;
  pe[5] = 0x86;
  EXPECT_EQ(PeMachine(pe.data(), pe.size()), std::optional<uint16_t>(kMachineAmd64));
  EXPECT_EQ(PeMachine(pe.data(), 247), std::nullopt);
  pe[2] = 'X';
  EXPECT_EQ(PeMachine(pe.data(), pe.size()), std::nullopt);
}
