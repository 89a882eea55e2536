// The first argument, the profile directories and what the first launch steps
// hand the engine and the game window.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "engine/engine_app.h"
#include "base/command_line.h"
#include "config/settings.h"
#include "launch/engine_setup.h"
#include "launch/launch_plan.h"
#include "launch/profile_folders.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"

namespace {

TEST(FirstArgument, SplittingRules) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"", L""},
      {L"lzgmin.exe", L""},
      {L"lzgmin.exe   ", L""},
      {L"lzgmin.exe http://g/?a=1", L"http://g/?a=1"},
      {L"lzgmin.exe http://a http://b", L"http://a"},
      {L"\"C:\\Program Files\\lzg\\lzgmin.exe\" http://a b", L"http://a"},
      {L"lzgmin.exe \"\" http://a", L"http://a"},
      {L"lzgmin.exe \"\"http://a", L"http://a"},
      {L"lzgmin.exe \"\" \"\" http://a", L"http://a"},
      {L"lzgmin.exe \"\"", L""},
      {L"lzgmin.exe \"\" ", L""},
      {L"lzgmin.exe \"http://a/b c\" d", L"http://a/b c"},
      {L"lzgmin.exe http://a?x=\"1 2\"&y z", L"http://a?x=1 2&y"},
      {L"lzgmin.exe a\"b c\"d", L"ab cd"},
      {L"lzgmin.exe \"unterminated arg", L"unterminated arg"},
      {L"lzgmin.exe \"C:\\dir\\\" next", L"C:\\dir\\"},  // no escape character
      {L"lzgmin.exe a\\\"b c\"", L"a\\b c"},
      {L"lzgmin.exe\t\x01\x1F http://a", L"http://a"},
      {L"lzgmin.exe\x20\x21x", L"!x"},
      {L"\"lzg min.exe\"http://a", L""},  // still the program path
      {L"\"\" lzgmin.exe http://a", L"http://a"},
      {L"lzgmin.exe 中文地址 x", L"中文地址"},
      {L"lzgmin.exe --type=renderer --lang=zh-CN", L"--type=renderer"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lzg::FirstArgument(c.commandLine), c.expected) << testutil::ToUtf8(c.commandLine);
  }
  // The text ends at a zero unit, as a command line does.
  EXPECT_EQ(lzg::FirstArgument(std::wstring_view(L"p a\0b", 5)), L"a");
}

SYSTEMTIME Date(WORD year, WORD month) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = 15;
  return t;
}

TEST(ProfileFolders, PathsPerProfile) {
  testutil::ScopedEnv env{{L"TEMP", L"C:\\users\\p\\Temp"}, {L"APPDATA", L"C:\\users\\p\\AppData\\Roaming"}};
  lzg::ProfileFolders d0 = lzg::ComputeProfileFolders(0, Date(2024, 6));
  EXPECT_EQ(d0.cache, L"C:\\users\\p\\Temp/lzgmin/cache2406");
  EXPECT_EQ(d0.cookies, L"C:\\users\\p\\AppData\\Roaming/lzgmin/cookies");
  EXPECT_EQ(d0.user_data, L"C:\\users\\p\\AppData\\Roaming/lzgmin/UserData");
  lzg::ProfileFolders d1 = lzg::ComputeProfileFolders(1, Date(2024, 6));
  EXPECT_EQ(d1.cache, L"C:\\users\\p\\Temp/lzgmin3game/cache2406");
  EXPECT_EQ(d1.cookies, L"C:\\users\\p\\AppData\\Roaming/lzgmin3game/cookies");
  EXPECT_EQ(d1.user_data, L"C:\\users\\p\\AppData\\Roaming/lzgmin3game/UserData");

  // A new month moves the cache only.
  lzg::ProfileFolders next = lzg::ComputeProfileFolders(0, Date(2024, 7));
  EXPECT_EQ(next.cache, L"C:\\users\\p\\Temp/lzgmin/cache2407");
  EXPECT_EQ(next.cookies, d0.cookies);
  EXPECT_EQ(next.user_data, d0.user_data);
}

TEST(ProfileFolders, DateSuffix) {
  struct Case {
    WORD year, month;
    const wchar_t* suffix;
  };
  const Case cases[] = {{2024, 6, L"2406"}, {2009, 1, L"0901"}, {2100, 12, L"0012"}, {1999, 10, L"9910"}};
  for (const Case& c : cases) EXPECT_EQ(lzg::DateSuffix(Date(c.year, c.month)), c.suffix) << c.year;
}

TEST(ProfileFolders, UnusableVariablesLeaveTheirSettingsAlone) {
  testutil::ScopedEnv env;
  const std::wstring fits(1023, L'T'), too_long(1024, L'T'), huge(5000, L'A');
  struct Case {
    const char* what;
    std::optional<std::wstring> temp, appdata;
    bool cache, appdata_folders;
  };
  const Case cases[] = {
      {"TEMP unset", std::nullopt, L"C:\\a", false, true},
      {"TEMP empty", L"", L"C:\\a", false, true},
      {"APPDATA unset", L"C:\\t", std::nullopt, true, false},
      {"APPDATA empty", L"", L"", false, false},
      {"1023 units fit", fits, fits, true, true},
      {"1024 units do not", too_long, huge, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    env.Set(L"TEMP", c.temp);
    env.Set(L"APPDATA", c.appdata);
    lzg::ProfileFolders d = lzg::ComputeProfileFolders(1, Date(2030, 2));
    EXPECT_EQ(d.cache.has_value(), c.cache);
    EXPECT_EQ(d.cookies.has_value(), c.appdata_folders);
    EXPECT_EQ(d.user_data.has_value(), c.appdata_folders);
    if (c.cache) {
      EXPECT_EQ(*d.cache, *c.temp + L"/lzgmin3game/cache3002");
    }
    if (c.appdata_folders) {
      EXPECT_EQ(*d.user_data, *c.appdata + L"/lzgmin3game/UserData");
    }
  }
}

class Launch : public testing::Test {
 protected:
  void WriteConfig(const std::wstring& text) const {
    testutil::WriteBytes(dir_.File(L"zeRoVedi.dat"), testutil::ToAnsi(text));
  }
  lzg::LaunchPlan Prepare(const wchar_t* command_line) const { return lzg::PrepareLaunch(command_line, dir_.Dir()); }
  testutil::TempDir dir_;
  testutil::ScopedEnv env_;
};

TEST_F(Launch, ProfileAndHomeAddress) {
  env_.Set(L"TEMP", L"C:\\t");
  env_.Set(L"APPDATA", L"C:\\a");
  WriteConfig(L"[dump]\r\ndoUrl2=http://game/?u=1\r\nistui=1\r\ntitle_0=平台\r\ntitle_1=游戏\r\nistest=1\r\n");
  testutil::WriteBytes(dir_.File(L"52lzg.dat"), " 42 \r\n");
  struct Case {
    const wchar_t* command_line;
    const wchar_t* first_argument;
    int profile;
    const wchar_t* home;
    const wchar_t* title;
  };
  const Case cases[] = {
      {L"lzgmin.exe", L"", 0, L"http://game/?u=1&tg=42", L"平台"},
      {L"lzgmin.exe \"\"", L"", 0, L"http://game/?u=1&tg=42", L"平台"},
      {L"lzgmin.exe http://popup/x?y=2", L"http://popup/x?y=2", 1, L"http://popup/x?y=2", L"游戏"},
      {L"lzgmin.exe \"\" http://popup/", L"http://popup/", 1, L"http://popup/", L"游戏"},
      {L"lzgmin.exe not-an-address", L"not-an-address", 1, L"not-an-address", L"游戏"},
      {L"\"C:\\a b\\lzgmin.exe\" \"http://q/a b\"", L"http://q/a b", 1, L"http://q/a b", L"游戏"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testutil::ToUtf8(c.command_line));
    const lzg::LaunchPlan plan = Prepare(c.command_line);
    EXPECT_EQ(plan.first_argument, c.first_argument);
    EXPECT_EQ(plan.profile, c.profile);
    EXPECT_EQ(plan.settings.profile, c.profile);
    EXPECT_EQ(plan.homepage, c.home);
    EXPECT_EQ(plan.settings.title, c.title);
    // The profile's folders, where they reach the engine's settings.
    lzg::EngineApp app;
    lzg::ConfigureEngineApp(app, plan.profile);
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring name = c.profile ? L"/lzgmin3game" : L"/lzgmin";
    EXPECT_EQ(app.Cache(), L"C:\\t" + name + L"/cache" + lzg::DateSuffix(now));
    EXPECT_EQ(app.Cookies(), L"C:\\a" + name + L"/cookies");
    EXPECT_EQ(app.UserDataPath(), L"C:\\a" + name + L"/UserData");
  }
}

TEST_F(Launch, NoConfigurationFile) {
  const lzg::LaunchPlan plan = Prepare(L"lzgmin.exe");
  EXPECT_EQ(plan.profile, 0);
  EXPECT_EQ(plan.homepage, L"");
  EXPECT_EQ(plan.settings.title, L"澜舟阁游戏");
  EXPECT_EQ(testutil::IniValue(dir_.File(L"zeRoVedi.dat"), L"step"), L"GetConfig|GetConfig_02|");
}

// The plan knows no engine switches: an engine sub-process's command line is a first argument like any other.
// The launch sequence never prepares a plan in a sub-process (test_launch_e2e checks that the file stays).
TEST_F(Launch, PlanTakesAnEngineSwitchAsAnyFirstArgument) {
  WriteConfig(L"[dump]\r\nuid=u\r\nip=00\r\n");
  const lzg::LaunchPlan plan = Prepare(L"lzgmin.exe --type=gpu-process --lang=zh-CN");
  EXPECT_EQ(plan.first_argument, L"--type=gpu-process");
  EXPECT_EQ(plan.profile, 1);
  EXPECT_EQ(testutil::IniValue(dir_.File(L"zeRoVedi.dat"), L"uid"), L"");
  EXPECT_EQ(testutil::IniValue(dir_.File(L"zeRoVedi.dat"), L"step"), L"GetConfig|GetConfig_02|");
}

TEST_F(Launch, ConfigurationFailureIsSwallowed) {
  WriteConfig(L"[dump]\r\nistui=1\r\ndoUrl2=http://g/\r\ntitle_0=读到了\r\n");
  testutil::WriteBytes(dir_.File(L"52lzg.dat"), "9");
  HANDLE lock = CreateFileW(dir_.File(L"52lzg.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  lzg::LaunchPlan plan;
  EXPECT_NO_THROW(plan = Prepare(L"lzgmin.exe"));
  CloseHandle(lock);
  EXPECT_EQ(plan.homepage, L"http://g/");
  EXPECT_EQ(plan.settings.title, L"读到了");
}

}  // namespace
