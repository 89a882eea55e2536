// The configuration file and the settings it gives, through the real private-profile
// functions: defaults, integer rules, narrowing, long values, UTF-16 files, the
// credential wipe, per-profile entries, presets and the side file.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/log.h"
#include "base/utf8.h"
#include "config/config_int.h"
#include "config/settings.h"
#include "config/side_file.h"
#include "tests/config/des_reference.h"
#include "tests/support/log_lines.h"
#include "tests/support/test_util.h"

namespace {

using testutil::IniValue;
using testutil::TempDir;

// ---- integer entries (pure rules) ----

TEST(IntegerEntry, Rules) {
  struct Case {
    const wchar_t* text;
    std::optional<std::int32_t> expected;
  };
  const Case cases[] = {
      {L"0", 0},
      {L"1334", 1334},
      {L"-12", -12},
      {L"+12", 12},
      {L"  42", 42},
      {L"\t7", 7},
      {L"0x500", 1280},
      {L"0X1f", 31},
      {L"$1F", 31},
      {L"$ff", 255},
      {L"x10", 16},
      {L"X10", 16},
      {L"-$10", -16},
      {L"-0x10", -16},
      {L" 0x10", 16},
      {L"2147483647", 2147483647},
      {L"-2147483648", -2147483647 - 1},
      {L"2147483648", std::nullopt},
      {L"-2147483649", std::nullopt},
      {L"99999999999", std::nullopt},
      {L"$7FFFFFFF", 0x7FFFFFFF},
      {L"$FFFFFFFF", -1},
      {L"$100000000", std::nullopt},
      {L"0x", std::nullopt},
      {L"$", std::nullopt},
      {L"x", std::nullopt},
      {L"-", std::nullopt},
      {L"", std::nullopt},
      {L"   ", std::nullopt},
      {L"12a", std::nullopt},
      {L"12 ", std::nullopt},
      {L"1 2", std::nullopt},
      {L"abc", std::nullopt},
      {L"$G1", std::nullopt},
      {L"1.5", std::nullopt},
      {L"--1", std::nullopt},
      {L"０", std::nullopt},  // full-width digit
      {L"000000000000000000000042", 42},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lzg::ParseConfigInt(c.text), c.expected) << testutil::ToUtf8(c.text);
  }
  EXPECT_EQ(lzg::ConfigIntOr(L"bad", 750), 750);
}

// ---- side file first line (pure rules) ----

TEST(SideFileLine, FirstLineAndEncodings) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    bool ansi;
    std::string ansi_line;
    std::wstring text;
  };
  const Case cases[] = {
      {"", true, "", L""},
      {"77", true, "77", L""},
      {"  77  \r\nsecond", true, "  77  ", L""},
      {"a\rb\nc", true, "a", L""},
      {"\nsecond", true, "", L""},
      {"\xEF\xBB\xBF\xE6\x8E\xA8\xE5\xB9\xBF\r\nx", false, "", L"推广"},
      {"\xFF\xFE" "7\0" "7\0" "\r\0" "\n\0" "9\0"s, false, "", L"77"},
      {"\xFE\xFF\0" "7\0" "8\0\n\0" "9"s, false, "", L"78"},
      {"\xFF\xFE" "A\0" "B"s, false, "", L"A"},  // a dangling odd byte is no unit
      {"\xEF\xBB\xBF\xFF" "a", false, "", L"\uFFFDa"},
  };
  for (const Case& c : cases) {
    lzg::FirstLine line = lzg::SplitFirstLine(c.bytes);
    EXPECT_EQ(line.is_ansi, c.ansi) << c.bytes;
    EXPECT_EQ(line.ansi, c.ansi_line) << c.bytes;
    EXPECT_EQ(line.text, c.text) << c.bytes;
  }
  EXPECT_EQ(lzg::TrimControls(std::wstring(L"\0\x01 \t77 x\x1F\x20", 10)), L"77 x");
  EXPECT_EQ(lzg::TrimControls(L" \r\n "), L"");
  EXPECT_EQ(lzg::TrimControls(L"\u3000a\u3000"), L"\u3000a\u3000");  // only codes 0 to 32
  EXPECT_EQ(lzg::FromUtf8("\xF0\x9F\x98\x80"), L"\U0001F600");
  EXPECT_EQ(lzg::FromUtf8("\xC0\xAF"), L"\uFFFD");  // overlong form
  EXPECT_EQ(lzg::FromUtf8("a\x80" "b"), L"a\uFFFDb");
  EXPECT_EQ(lzg::FromUtf8("\xE6\x8E"), L"\uFFFD");
}

// ---- LoadSettings against real files ----

TEST(DefaultSettings, ValuesBeforeAnyFile) {
  const lzg::Settings s;
  EXPECT_EQ(s.game_port, 2);
  EXPECT_EQ(s.skin_name, L"Topaz 2017");
  EXPECT_EQ(std::wstring(lzg::kSideFileName), L"52lzg.dat");
  EXPECT_EQ(s.base_size, (lzg::Size{1334, 750}));
  EXPECT_EQ(s.last_size, (lzg::Size{1334, 750}));
  EXPECT_EQ(s.preset, 2);
  EXPECT_EQ(s.last_preset, 2);
  for (int i = 0; i < lzg::kProfileCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.profiles[i].title, L"澜舟阁游戏");
    EXPECT_EQ(s.profiles[i].size, (lzg::Size{1334, 750}));
    EXPECT_EQ(s.profiles[i].preset, 2);
  }
  // Only the platform's own instance reloads after a size change by default.
  EXPECT_EQ(s.profiles[0].reload_on_resize, 1);
  EXPECT_EQ(s.profiles[1].reload_on_resize, 0);
  // A value not yet loaded already holds the built-in presets, so a window never sees a zero size.
  struct Preset {
    const wchar_t* name;
    lzg::Size size;
  };
  const Preset built_in[] = {{L"经典", {1334, 890}}, {L"传统", {1000, 720}},  {L"现代", {1334, 750}},
                             {L"高清", {1334, 1000}}, {L"古典", {800, 600}},   {L"超清", {2208, 1242}},
                             {L"全屏", {1334, 750}}};
  static_assert(std::size(built_in) == lzg::kPresetCount);
  for (int k = 0; k < lzg::kPresetCount; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(s.presets[k].name, built_in[k].name);
    EXPECT_EQ(s.presets[k].size, built_in[k].size);
  }
}

class Config : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetACP(), 936u) << "tests run with the Simplified Chinese code page"; }

  std::wstring Path() const { return dir_.File(L"zeRoVedi.dat"); }
  // An ANSI (code page 936) file, as the launcher writes it.
  void WriteAnsi(const std::wstring& text) const { testutil::WriteBytes(Path(), testutil::ToAnsi(text)); }
  void WriteUtf16(const std::wstring& text) const {
    testutil::WriteBytes(Path(), "\xFF\xFE" + testutil::Utf16Bytes(text));
  }
  lzg::Settings Load(int profile = 0) const { return lzg::LoadSettings(dir_.Dir(), profile); }
  void ExpectDefaults(const lzg::Settings& s) const {
    EXPECT_EQ(s.exe_dir, dir_.Dir());
    EXPECT_EQ(s.title, L"澜舟阁游戏");
    EXPECT_EQ(s.profiles[0].title, L"澜舟阁游戏");
    EXPECT_EQ(s.profiles[1].title, L"澜舟阁游戏");
    EXPECT_EQ(s.preset, 2);
    EXPECT_EQ(s.last_preset, 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(s.profiles[i].preset, 2);
      EXPECT_EQ(s.profiles[i].size.width, 1334);
      EXPECT_EQ(s.profiles[i].size.height, 750);
    }
    EXPECT_EQ(s.profiles[0].reload_on_resize, 1);
    EXPECT_EQ(s.profiles[1].reload_on_resize, 0);
    EXPECT_EQ(s.base_size.width, 1334);
    EXPECT_EQ(s.base_size.height, 750);
    EXPECT_EQ(s.last_size.width, 1334);
    EXPECT_EQ(s.last_size.height, 750);
    EXPECT_EQ(s.skin_name, L"Topaz 2017");
    EXPECT_EQ(s.game_url, L"");
    EXPECT_EQ(s.login_url, L"");
    EXPECT_EQ(s.password, L"");
    EXPECT_EQ(s.user_id, L"");
    EXPECT_EQ(s.game_port, 0);  // the entry's default, not the field's initial 2
    EXPECT_EQ(s.is_test, 0);
    EXPECT_EQ(s.is_tui, 0);
    for (int k = 0; k < lzg::kPresetCount; ++k) {
      EXPECT_EQ(s.presets[k].name, lzg::kBuiltInPresets[k].name);
      EXPECT_EQ(s.presets[k].size, lzg::kBuiltInPresets[k].size);
    }
  }
  void ExpectWrites(bool credentials_wiped) const {
    EXPECT_EQ(IniValue(Path(), L"step"), L"GetConfig|GetConfig_02|");
    if (credentials_wiped) {
      EXPECT_EQ(IniValue(Path(), L"uid"), L"");
      EXPECT_EQ(IniValue(Path(), L"ip"), L"");
    }
  }

  TempDir dir_;
};

TEST_F(Config, NoFileGivesDefaultsAndCreatesIt) {
  const lzg::Settings s = Load();
  ExpectDefaults(s);
  ExpectWrites(true);
  std::string bytes;
  ASSERT_TRUE(testutil::ReadBytes(Path(), bytes));
  EXPECT_FALSE(bytes.starts_with("\xFF\xFE")) << "a file the program creates is ANSI text";
  EXPECT_EQ(s.step, L"GetConfig|GetConfig_02|");
}

TEST_F(Config, EmptyFileGivesDefaults) {
  testutil::WriteBytes(Path(), "");
  ExpectDefaults(Load());
  ExpectWrites(true);
}

TEST_F(Config, EntriesOutsideDumpAreIgnored) {
  WriteAnsi(L"[other]\r\ntitle_0=外\r\nWidth=9\r\n");
  ExpectDefaults(Load());
  EXPECT_EQ(IniValue(Path(), L"title_0", L"other"), L"外");
}

TEST_F(Config, TitlePerProfile) {
  struct Case {
    const wchar_t* file;
    int profile;
    const wchar_t* title;
  };
  const Case cases[] = {
      {L"[dump]\r\ntitle=X标题\r\ntitle_0=Y标题\r\n", 0, L"Y标题"},
      {L"[dump]\r\ntitle=X标题\r\n", 0, L"澜舟阁游戏"},
      {L"[dump]\r\ntitle_0=零\r\ntitle_1=一\r\n", 1, L"一"},
      {L"[DUMP]\r\nTITLE_0=大小写\r\n", 0, L"大小写"},
      {L"[dump]\r\ntitle_0=  \"引号 内\"  \r\n", 0, L"引号 内"},
  };
  for (const Case& c : cases) {
    WriteAnsi(c.file);
    const lzg::Settings s = Load(c.profile);
    EXPECT_EQ(s.profile, c.profile) << testutil::ToUtf8(c.file);
    EXPECT_EQ(s.title, c.title) << testutil::ToUtf8(c.file);
  }
}

TEST_F(Config, SizeIndexCases) {
  WriteAnsi(L"[dump]\r\nSizeIndex=5\r\n");
  lzg::Settings s = Load();
  EXPECT_EQ(s.preset, 2);
  EXPECT_EQ(s.last_preset, 5);

  WriteAnsi(L"[dump]\r\nSizeIndex=5\r\nSizeIndex_0=4\r\nSizeIndex_1=3\r\n");
  s = Load(1);
  EXPECT_EQ(s.preset, 3);
  EXPECT_EQ(s.profiles[0].preset, 4);
  EXPECT_EQ(s.last_preset, 5);
}

TEST_F(Config, IntegersHexOverflowAndNarrowing) {
  WriteAnsi(
      L"[dump]\r\n"
      L"Width=$10\r\nHeight=-0X20\r\nSizeIndex=0x103\r\n"
      L"port=70000\r\n"
      L"Width_0=2147483648\r\nHeight_0=99999999999\r\nSizeIndex_0=258\r\nSetSizeReload_0=abc\r\n"
      L"Width_1=0x500\r\nHeight_1= 720\r\nSizeIndex_1=-1\r\nSetSizeReload_1=x1\r\n"
      L"FormSize_0_w=0x\r\nFormSize_0_h=$FFFFFFFF\r\n"
      L"istest=1\r\n");
  const lzg::Settings s = Load();
  EXPECT_EQ(s.base_size.width, 16);
  EXPECT_EQ(s.base_size.height, -32);
  EXPECT_EQ(s.last_size.width, 16);
  EXPECT_EQ(s.last_size.height, -32);
  EXPECT_EQ(s.last_preset, 3);                 // 0x103 keeps its low 8 bits
  EXPECT_EQ(s.game_port, 4464);                // 70000 keeps its low 16 bits
  EXPECT_EQ(s.profiles[0].size.width, 1334);   // out of the 32-bit range: default
  EXPECT_EQ(s.profiles[0].size.height, 750);
  EXPECT_EQ(s.profiles[0].preset, 2);          // 258 gives 2
  EXPECT_EQ(s.preset, 2);
  EXPECT_EQ(s.profiles[0].reload_on_resize, 1);
  EXPECT_EQ(s.profiles[1].size.width, 1280);
  EXPECT_EQ(s.profiles[1].size.height, 720);
  EXPECT_EQ(s.profiles[1].preset, 255);
  EXPECT_EQ(s.profiles[1].reload_on_resize, 1);
  EXPECT_EQ(s.presets[0].size.width, 1334);
  EXPECT_EQ(s.presets[0].size.height, -1);
  EXPECT_EQ(s.is_test, 1);
}

TEST_F(Config, LongValueArrivesCut) {
  std::wstring long_url = L"http://g/?" + std::wstring(2990, L'u');
  ASSERT_EQ(long_url.size(), 3000u);
  std::wstring long_title(3000, L'澜');
  WriteAnsi(L"[dump]\r\ndoUrl2=" + long_url + L"\r\ntitle_0=" + long_title + L"\r\nuid=u\r\n");
  const lzg::Settings s = Load();
  EXPECT_EQ(s.game_url, long_url.substr(0, 2047));
  EXPECT_EQ(s.title, long_title.substr(0, 2047));
  EXPECT_EQ(IniValue(Path(), L"uid"), L"");
}

TEST_F(Config, Utf16File) {
  WriteUtf16(L"[dump]\r\ntitle_0=测试标题\r\ndoUrl2=http://游戏/?a=1\r\nSkinName=皮肤\r\nuid=用户\r\nistest=1\r\n"
             L"[其他]\r\n键=值\r\n");
  const lzg::Settings s = Load();
  EXPECT_EQ(s.title, L"测试标题");
  EXPECT_EQ(s.game_url, L"http://游戏/?a=1");
  EXPECT_EQ(s.skin_name, L"皮肤");
  EXPECT_EQ(s.user_id, L"用户");
  std::string bytes;
  ASSERT_TRUE(testutil::ReadBytes(Path(), bytes));
  EXPECT_TRUE(bytes.starts_with("\xFF\xFE")) << "the file stays UTF-16";
  EXPECT_NE(bytes.find(testutil::Utf16Bytes(L"step=GetConfig|GetConfig_02|")), std::string::npos);
  EXPECT_EQ(IniValue(Path(), L"键", L"其他"), L"值");
  EXPECT_EQ(IniValue(Path(), L"uid"), L"用户");
}

TEST_F(Config, CredentialWipeUnlessTestMode) {
  struct Case {
    const wchar_t* istest;  // null: no entry
    bool wiped;
  };
  const Case cases[] = {{L"0", true}, {L"1", false}, {L"2", true}, {nullptr, true}, {L"0x1", false}, {L"1x", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.istest ? testutil::ToUtf8(c.istest) : "none");
    std::wstring file = L"[dump]\r\nuid=玩家7\r\nip=ABCDEF\r\nisDecodePwd=1\r\n";
    if (c.istest) file += std::wstring(L"istest=") + c.istest + L"\r\n";
    WriteAnsi(file);
    const lzg::Settings first = Load();
    EXPECT_EQ(first.user_id, L"玩家7");
    EXPECT_EQ(first.password, L"ABCDEF");
    EXPECT_EQ(IniValue(Path(), L"uid"), c.wiped ? L"" : L"玩家7");
    EXPECT_EQ(IniValue(Path(), L"ip"), c.wiped ? L"" : L"ABCDEF");
    EXPECT_EQ(IniValue(Path(), L"step"), L"GetConfig|GetConfig_02|");

    // A second start (or an engine sub-process) finds what the first left.
    EXPECT_EQ(Load().user_id, c.wiped ? L"" : L"玩家7");
  }
}

TEST_F(Config, PasswordDecoding) {
  const std::wstring uid = L"张三";
  const std::string password = testutil::ToAnsi(L"密码pw9");
  const std::string cipher = ref::EncryptPassword(password, testutil::ToAnsi(uid));
  std::wstring wide_cipher(cipher.begin(), cipher.end());

  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wide_cipher + L"\r\n");
  lzg::Settings s = Load();
  EXPECT_EQ(s.password, L"密码pw9");
  EXPECT_EQ(s.user_id, uid);

  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wide_cipher + L"\r\nisDecodePwd=1\r\n");
  EXPECT_EQ(Load().password, wide_cipher) << "stored as it is";

  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wide_cipher + L"zz\r\n");
  EXPECT_EQ(Load().password, L"") << "a cipher text that does not decode";

  WriteAnsi(L"[dump]\r\nuid=李四\r\nip=" + wide_cipher + L"\r\n");
  EXPECT_NE(Load().password, L"密码pw9") << "another user id is another key";

  // A character the code page lacks is replaced before it becomes key material.
  const std::string replaced = ref::EncryptPassword("pw", "a?");
  testutil::WriteBytes(Path(), "\xFF\xFE" + testutil::Utf16Bytes(L"[dump]\r\nuid=a\uD55C\r\nip=" +
                                                               std::wstring(replaced.begin(), replaced.end()) + L"\r\n"));
  s = Load();
  EXPECT_EQ(s.user_id, L"a?");
  EXPECT_EQ(s.password, L"pw");
}

TEST_F(Config, PresetOverride) {
  WriteAnsi(L"[dump]\r\nFormSize_3_w=1600\r\n");
  lzg::Settings s = Load();
  EXPECT_EQ(s.presets[3].size.width, 1600);
  EXPECT_EQ(s.presets[3].size.height, 1000);
  EXPECT_EQ(s.presets[3].name, L"高清");
  for (int k = 0; k < lzg::kPresetCount; ++k) {
    if (k == 3) continue;
    EXPECT_EQ(s.presets[k].size, lzg::kBuiltInPresets[k].size) << k;
    EXPECT_EQ(s.presets[k].name, lzg::kBuiltInPresets[k].name) << k;
  }

  WriteAnsi(L"[dump]\r\nFormSizeName_6=最大\r\nFormSize_6_h=900\r\nFormSize_5_w=abc\r\n");
  s = Load();
  EXPECT_EQ(s.presets[6].name, L"最大");
  EXPECT_EQ(s.presets[6].size.height, 900);
  EXPECT_EQ(s.presets[5].size.width, 2208);
}

TEST_F(Config, OtherEntriesAndSkin) {
  WriteAnsi(L"[dump]\r\ndoUrl1=http://login/\r\ndoUrl2=http://game/?a=1\r\nSkinName=Air\r\nport=8080\r\n"
            L"Width=1000\r\nHeight=720\r\nSetSizeReload_0=0\r\nSetSizeReload_1=1\r\n");
  const lzg::Settings s = Load();
  EXPECT_EQ(s.login_url, L"http://login/");
  EXPECT_EQ(s.game_url, L"http://game/?a=1");
  EXPECT_EQ(s.skin_name, L"Air");
  EXPECT_EQ(s.game_port, 8080);
  EXPECT_EQ(s.last_size.width, 1000);
  EXPECT_EQ(s.last_size.height, 720);
  EXPECT_EQ(s.profiles[0].reload_on_resize, 0);
  EXPECT_EQ(s.profiles[1].reload_on_resize, 1);
}

// The start reads the section once and looks entries up itself: every entry must come out as the
// platform's own one-entry read gives it, whatever the file's quoting, spacing, case or repeats.
TEST_F(Config, EachEntryReadsAsThePlatformReadsIt) {
  const std::wstring q2046 = L"\"" + std::wstring(2046, L'q') + L"\"", q2047 = L"\"" + std::wstring(2047, L'q') + L"\"",
                     q2048 = L"\"" + std::wstring(2048, L'q') + L"\"";
  const std::wstring cases[] = {
      L"doUrl2=  \"http://quoted/\"  ",
      L"doUrl2='single'",
      L"doUrl2=\"unbalanced",
      L"doUrl2=\"a\" b \"c\"",
      L"doUrl2=\"\"",
      L"doUrl2=\"",
      L"doUrl2=a=b=c",
      L"\tDOURL2\t=\tupper key\t",
      L"doUrl2",
      L"doUrl2\r\ndoUrl2=after an entry without a value",
      L"doUrl2=first\r\ndourl2=second",
      L";doUrl2=comment\r\ndoUrl2=real",
      L"doUrl2=" + q2046,
      L"doUrl2=" + q2047,
      L"doUrl2=" + q2048,
      L"[dump]\r\ndoUrl2=in a second section of the same name",
      L"SkinName=   ",
      L"title_0=' '",
  };
  for (const std::wstring& entries : cases) {
    SCOPED_TRACE(testutil::ToUtf8(entries.substr(0, 60)));
    WriteAnsi(L"[dump]\r\nistest=1\r\n" + entries + L"\r\n[other]\r\ndoUrl2=elsewhere\r\n");
    auto platform = [&](const wchar_t* key, const wchar_t* def) {
      std::vector<wchar_t> buf(2048);
      DWORD n = GetPrivateProfileStringW(L"dump", key, def, buf.data(), 2048, Path().c_str());
      return std::wstring(buf.data(), n);
    };
    const std::wstring url = platform(L"doUrl2", L""), skin = platform(L"SkinName", L"Topaz 2017"),
                       title = platform(L"title_0", L"澜舟阁游戏");
    const lzg::Settings s = Load();
    EXPECT_EQ(s.game_url, url);
    EXPECT_EQ(s.skin_name, skin);
    EXPECT_EQ(s.title, title);
  }
}

// An entry the start finds already as it would write it is left alone; an entry without a value is not such.
TEST_F(Config, CredentialEntryWithoutValueIsStillWritten) {
  WriteAnsi(L"[dump]\r\nuid\r\nip=\r\n");
  Load();
  std::vector<wchar_t> buf(4096);
  const DWORD n = GetPrivateProfileSectionW(L"dump", buf.data(), 4096, Path().c_str());
  std::vector<std::wstring> lines;
  for (const wchar_t* p = buf.data(); p < buf.data() + n && *p; p += wcslen(p) + 1) lines.emplace_back(p);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"uid=", L"ip=", L"step=GetConfig|GetConfig_02|"}));
}

TEST_F(Config, SideFile) {
  struct Case {
    const char* what;
    const wchar_t* istui;
    const wchar_t* game_url;  // null: no entry
    std::optional<std::string> side;
    const wchar_t* expected;
  };
  const std::string ansi_code = testutil::ToAnsi(L"推广码");
  const Case cases[] = {
      {"code between blanks", L"1", L"http://g/?a=1", std::string("  77 \t\r\nsecond\r\n"), L"http://g/?a=1&tg=77"},
      {"istui 0", L"0", L"http://g/?a=1", std::string("77"), L"http://g/?a=1"},
      {"no istui", nullptr, L"http://g/?a=1", std::string("77"), L"http://g/?a=1"},
      {"istui 257 is 1", L"257", L"http://g/", std::string("5"), L"http://g/&tg=5"},
      {"empty side file", L"1", L"http://g/?a=1", std::string(""), L"http://g/?a=1"},
      {"missing side file", L"1", L"http://g/?a=1", std::nullopt, L"http://g/?a=1"},
      {"blank first line", L"1", L"http://g/?a=1", std::string("   \r\n88\r\n"), L"http://g/?a=1"},
      {"empty game address", L"1", nullptr, std::string("77"), L"&tg=77"},
      {"no encoding of the code", L"1", L"u", std::string("a b&c=d"), L"u&tg=a b&c=d"},
      {"ANSI code page", L"1", L"u", ansi_code + "\n", L"u&tg=推广码"},
      {"UTF-8 mark", L"1", L"u", "\xEF\xBB\xBF " + testutil::ToUtf8(L"推广") + "\r\n", L"u&tg=推广"},
      {"UTF-16 mark", L"1", L"u", "\xFF\xFE" + testutil::Utf16Bytes(L" 推广 \r\nx"), L"u&tg=推广"},
      {"no line end, NULs trimmed", L"1", L"u", std::string("\0\0" "99\0", 5), L"u&tg=99"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring file = L"[dump]\r\n";
    if (c.istui) file += std::wstring(L"istui=") + c.istui + L"\r\n";
    if (c.game_url) file += std::wstring(L"doUrl2=") + c.game_url + L"\r\n";
    WriteAnsi(file);
    DeleteFileW(dir_.File(L"52lzg.dat").c_str());
    if (c.side) testutil::WriteBytes(dir_.File(L"52lzg.dat"), *c.side);
    EXPECT_EQ(Load().game_url, c.expected);
  }
}

TEST_F(Config, SideFileThatIsAFolderIsMissing) {
  WriteAnsi(L"[dump]\r\nistui=1\r\ndoUrl2=u\r\n");
  ASSERT_TRUE(CreateDirectoryW(dir_.File(L"52lzg.dat").c_str(), nullptr));
  lzg::Settings s;
  EXPECT_NO_THROW(s = Load());
  EXPECT_EQ(s.game_url, L"u");
}

// The log's lines that mention `text`, among those written after the file held `before_size` bytes.
int NewLogLinesWith(const std::string& text, size_t before_size) {
  std::string bytes;
  if (!testutil::ReadBytes(lzg::log::FilePath(), bytes) || bytes.size() < before_size) return 0;
  int count = 0;
  for (const std::string& line : logfile::Lines(bytes.substr(before_size)))
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

TEST_F(Config, UnreadableSideFileLeavesTheAddressWithoutItsCode) {
  WriteAnsi(L"[dump]\r\nistui=1\r\ndoUrl2=u\r\nFormSize_6_w=1\r\ntitle_1=后\r\n");
  testutil::WriteBytes(dir_.File(L"52lzg.dat"), "77\r\n");
  ASSERT_FALSE(lzg::log::FilePath().empty());
  std::string log_before;
  testutil::ReadBytes(lzg::log::FilePath(), log_before);
  // Held open without sharing: it exists, but cannot be read.
  HANDLE lock = CreateFileW(dir_.File(L"52lzg.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  lzg::Settings s;
  EXPECT_NO_THROW(s = Load(1));
  CloseHandle(lock);
  // Everything else was read, and the failure is one line of the log.
  EXPECT_EQ(s.tui_code, L"");
  EXPECT_EQ(s.game_url, L"u");
  EXPECT_EQ(s.presets[6].size.width, 1);
  EXPECT_EQ(s.title, L"后");
  EXPECT_EQ(NewLogLinesWith("52lzg.dat", log_before.size()), 1);
  // The accessor was released: the file can be replaced right away.
  EXPECT_TRUE(DeleteFileW(Path().c_str()));
}

TEST_F(Config, SaveSizeEntriesOfOneProfile) {
  WriteAnsi(L"[dump]\r\nWidth_0=1000\r\nHeight_0=720\r\nSizeIndex_0=1\r\nchannel=qq\r\n[other]\r\nk=v\r\n");
  lzg::Settings popup = Load(1);
  popup.own().size = {2208, 1242};
  popup.own().preset = 5;
  lzg::SaveSizeEntries(popup);
  EXPECT_EQ(IniValue(Path(), L"Width_1"), L"2208");
  EXPECT_EQ(IniValue(Path(), L"Height_1"), L"1242");
  EXPECT_EQ(IniValue(Path(), L"SizeIndex_1"), L"5");
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"1000");
  EXPECT_EQ(IniValue(Path(), L"channel"), L"qq");
  EXPECT_EQ(IniValue(Path(), L"k", L"other"), L"v");

  lzg::Settings platform = Load(0);
  platform.own().size.width = -5;
  lzg::SaveSizeEntries(platform);
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"-5");
  EXPECT_EQ(IniValue(Path(), L"SizeIndex_0"), L"1");
  EXPECT_EQ(IniValue(Path(), L"Width_1"), L"2208") << "the other profile's entries stay";

  const lzg::Settings again = Load(1);
  EXPECT_EQ(again.profiles[1].size.width, 2208);
  EXPECT_EQ(again.preset, 5);
}

TEST_F(Config, SaveSizeEntriesIgnoresWriteFailure) {
  lzg::Settings s = Load();
  HANDLE lock = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  s.own().size.width = 800;
  EXPECT_NO_THROW(lzg::SaveSizeEntries(s));
  CloseHandle(lock);
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"<missing>");
}

TEST_F(Config, ExecutableDirectoryEndsWithSeparator) {
  std::wstring dir = lzg::ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'\\');
  EXPECT_TRUE(testutil::Exists(dir + L"test_config.exe"));
}

}  // namespace
