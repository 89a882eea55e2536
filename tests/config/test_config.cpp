// The configuration file and the settings state, through the real private-profile
// functions: defaults, integer rules, narrowing, long values, UTF-16 files, the
// credential wipe, per-profile entries, presets and the side file.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "config/settings.h"
#include "config/config_int.h"
#include "config/side_file.h"
#include "tests/config/des_reference.h"
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
    std::string ansiLine;
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
    EXPECT_EQ(line.isAnsi, c.ansi) << c.bytes;
    EXPECT_EQ(line.ansi, c.ansiLine) << c.bytes;
    EXPECT_EQ(line.text, c.text) << c.bytes;
  }
  EXPECT_EQ(lzg::TrimControls(std::wstring(L"\0\x01 \t77 x\x1F\x20", 10)), L"77 x");
  EXPECT_EQ(lzg::TrimControls(L" \r\n "), L"");
  EXPECT_EQ(lzg::TrimControls(L"\u3000a\u3000"), L"\u3000a\u3000");  // only codes 0 to 32
  EXPECT_EQ(lzg::DecodeUtf8("\xF0\x9F\x98\x80"), L"\U0001F600");
  EXPECT_EQ(lzg::DecodeUtf8("\xC0\xAF"), L"\uFFFD");  // overlong form
  EXPECT_EQ(lzg::DecodeUtf8("a\x80" "b"), L"a\uFFFDb");
  EXPECT_EQ(lzg::DecodeUtf8("\xE6\x8E"), L"\uFFFD");
}

// ---- LoadAppConfig against real files ----

class Config : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "tests run with the Simplified Chinese code page";
    ResetSettingsState();
  }
  void TearDown() override { ResetSettingsState(); }

  std::wstring Path() const { return dir_.File(L"zeRoVedi.dat"); }
  // An ANSI (code page 936) file, as the launcher writes it.
  void WriteAnsi(const std::wstring& text) const { testutil::WriteBytes(Path(), testutil::ToAnsi(text)); }
  void WriteUtf16(const std::wstring& text) const {
    testutil::WriteBytes(Path(), "\xFF\xFE" + testutil::Utf16Bytes(text));
  }
  void Load(const std::wstring& arg = L"") {
    g_ParamStr_1 = arg;
    LoadAppConfigIn(dir_.Dir());
  }
  void ExpectDefaults() const {
    EXPECT_EQ(g_sPath, dir_.Dir());
    EXPECT_EQ(g_title, L"澜舟阁游戏");
    EXPECT_EQ(g_titleArr[0], L"澜舟阁游戏");
    EXPECT_EQ(g_titleArr[1], L"澜舟阁游戏");
    EXPECT_EQ(g_SizeIndex, 2);
    EXPECT_EQ(g_LastSizeIndex, 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(g_SizeIndexArr[i], 2);
      EXPECT_EQ(g_WidthArr[i], 1334);
      EXPECT_EQ(g_HeightArr[i], 750);
    }
    EXPECT_EQ(g_SetSizeReloadArr[0], 1);
    EXPECT_EQ(g_SetSizeReloadArr[1], 0);
    EXPECT_EQ(g_Width, 1334);
    EXPECT_EQ(g_Height, 750);
    EXPECT_EQ(g_Width_Last, 1334);
    EXPECT_EQ(g_Height_Last, 750);
    EXPECT_EQ(g_SkinName, L"Topaz 2017");
    EXPECT_EQ(g_gameUrl, L"");
    EXPECT_EQ(g_loginUrl, L"");
    EXPECT_EQ(g_Password, L"");
    EXPECT_EQ(g_UserId, L"");
    EXPECT_EQ(g_GamePort, 0);  // the entry's default, not the field's initial 2
    EXPECT_EQ(g_isTest, 0);
    EXPECT_EQ(g_btIsTui, 0);
    for (int k = 0; k < FormSizeNum; ++k) {
      EXPECT_EQ(FormCfgSizeNameArr[k], FormDefSizeNameArr[k]);
      EXPECT_EQ(FormCfgSizeArr[k].Width, FormDefSizeArr[k].Width);
      EXPECT_EQ(FormCfgSizeArr[k].Height, FormDefSizeArr[k].Height);
    }
  }
  void ExpectWrites(bool credentialsWiped) const {
    EXPECT_EQ(IniValue(Path(), L"step"), L"GetConfig|GetConfig_02|");
    if (credentialsWiped) {
      EXPECT_EQ(IniValue(Path(), L"uid"), L"");
      EXPECT_EQ(IniValue(Path(), L"ip"), L"");
    }
  }

  TempDir dir_;
};

TEST_F(Config, InitialStateBeforeLoad) {
  EXPECT_EQ(g_GamePort, 2);
  EXPECT_EQ(g_SkinName, L"Topaz 2017");
  EXPECT_EQ(g_tui_filename, L"52lzg.dat");
  EXPECT_EQ(g_btNeedClose, 0);
  EXPECT_EQ(FormCfgSizeArr[3].Width, 0);
  EXPECT_EQ(FormCfgSizeNameArr[3], L"");
  EXPECT_EQ(g_titleArr[1], L"澜舟阁游戏");
}

TEST_F(Config, NoFileGivesDefaultsAndCreatesIt) {
  Load();
  ExpectDefaults();
  ExpectWrites(true);
  std::string bytes;
  ASSERT_TRUE(testutil::ReadBytes(Path(), bytes));
  EXPECT_FALSE(bytes.starts_with("\xFF\xFE")) << "a file the program creates is ANSI text";
  EXPECT_EQ(g_step, L"GetConfig|GetConfig_02|");
}

TEST_F(Config, EmptyFileGivesDefaults) {
  testutil::WriteBytes(Path(), "");
  Load();
  ExpectDefaults();
  ExpectWrites(true);
}

TEST_F(Config, EntriesOutsideDumpAreIgnored) {
  WriteAnsi(L"[other]\r\ntitle_0=外\r\nWidth=9\r\n");
  Load();
  ExpectDefaults();
  EXPECT_EQ(IniValue(Path(), L"title_0", L"other"), L"外");
}

TEST_F(Config, TitlePerProfile) {
  struct Case {
    const wchar_t* file;
    const wchar_t* arg;
    const wchar_t* title;
  };
  const Case cases[] = {
      {L"[dump]\r\ntitle=X标题\r\ntitle_0=Y标题\r\n", L"", L"Y标题"},
      {L"[dump]\r\ntitle=X标题\r\n", L"", L"澜舟阁游戏"},
      {L"[dump]\r\ntitle_0=零\r\ntitle_1=一\r\n", L"http://g/1", L"一"},
      {L"[DUMP]\r\nTITLE_0=大小写\r\n", L"", L"大小写"},
      {L"[dump]\r\ntitle_0=  \"引号 内\"  \r\n", L"", L"引号 内"},
  };
  for (const Case& c : cases) {
    ResetSettingsState();
    WriteAnsi(c.file);
    Load(c.arg);
    EXPECT_EQ(g_title, c.title) << testutil::ToUtf8(c.file);
  }
}

TEST_F(Config, SizeIndexCases) {
  WriteAnsi(L"[dump]\r\nSizeIndex=5\r\n");
  Load();
  EXPECT_EQ(g_SizeIndex, 2);
  EXPECT_EQ(g_LastSizeIndex, 5);

  ResetSettingsState();
  WriteAnsi(L"[dump]\r\nSizeIndex=5\r\nSizeIndex_0=4\r\nSizeIndex_1=3\r\n");
  Load(L"x");
  EXPECT_EQ(g_SizeIndex, 3);
  EXPECT_EQ(g_SizeIndexArr[0], 4);
  EXPECT_EQ(g_LastSizeIndex, 5);
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
  Load();
  EXPECT_EQ(g_Width, 16);
  EXPECT_EQ(g_Height, -32);
  EXPECT_EQ(g_Width_Last, 16);
  EXPECT_EQ(g_Height_Last, -32);
  EXPECT_EQ(g_LastSizeIndex, 3);   // 0x103 keeps its low 8 bits
  EXPECT_EQ(g_GamePort, 4464);     // 70000 keeps its low 16 bits
  EXPECT_EQ(g_WidthArr[0], 1334);  // out of the 32-bit range: default
  EXPECT_EQ(g_HeightArr[0], 750);
  EXPECT_EQ(g_SizeIndexArr[0], 2);  // 258 gives 2
  EXPECT_EQ(g_SizeIndex, 2);
  EXPECT_EQ(g_SetSizeReloadArr[0], 1);
  EXPECT_EQ(g_WidthArr[1], 1280);
  EXPECT_EQ(g_HeightArr[1], 720);
  EXPECT_EQ(g_SizeIndexArr[1], 255);
  EXPECT_EQ(g_SetSizeReloadArr[1], 1);
  EXPECT_EQ(FormCfgSizeArr[0].Width, 1334);
  EXPECT_EQ(FormCfgSizeArr[0].Height, -1);
  EXPECT_EQ(g_isTest, 1);
}

TEST_F(Config, LongValueArrivesCut) {
  std::wstring longUrl = L"http://g/?" + std::wstring(2990, L'u');
  ASSERT_EQ(longUrl.size(), 3000u);
  std::wstring longTitle(3000, L'澜');
  WriteAnsi(L"[dump]\r\ndoUrl2=" + longUrl + L"\r\ntitle_0=" + longTitle + L"\r\nuid=u\r\n");
  Load();
  EXPECT_EQ(g_gameUrl, longUrl.substr(0, 2047));
  EXPECT_EQ(g_title, longTitle.substr(0, 2047));
  EXPECT_EQ(IniValue(Path(), L"uid"), L"");
}

TEST_F(Config, Utf16File) {
  WriteUtf16(L"[dump]\r\ntitle_0=测试标题\r\ndoUrl2=http://游戏/?a=1\r\nSkinName=皮肤\r\nuid=用户\r\nistest=1\r\n"
             L"[其他]\r\n键=值\r\n");
  Load();
  EXPECT_EQ(g_title, L"测试标题");
  EXPECT_EQ(g_gameUrl, L"http://游戏/?a=1");
  EXPECT_EQ(g_SkinName, L"皮肤");
  EXPECT_EQ(g_UserId, L"用户");
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
    ResetSettingsState();
    std::wstring file = L"[dump]\r\nuid=玩家7\r\nip=ABCDEF\r\nisDecodePwd=1\r\n";
    if (c.istest) file += std::wstring(L"istest=") + c.istest + L"\r\n";
    WriteAnsi(file);
    Load();
    EXPECT_EQ(g_UserId, L"玩家7");
    EXPECT_EQ(g_Password, L"ABCDEF");
    EXPECT_EQ(IniValue(Path(), L"uid"), c.wiped ? L"" : L"玩家7");
    EXPECT_EQ(IniValue(Path(), L"ip"), c.wiped ? L"" : L"ABCDEF");
    EXPECT_EQ(IniValue(Path(), L"step"), L"GetConfig|GetConfig_02|");

    // A second start (or an engine sub-process) finds what the first left.
    ResetSettingsState();
    Load();
    EXPECT_EQ(g_UserId, c.wiped ? L"" : L"玩家7");
  }
}

TEST_F(Config, PasswordDecoding) {
  const std::wstring uid = L"张三";
  const std::string password = testutil::ToAnsi(L"密码pw9");
  const std::string cipher = ref::EncryptPassword(password, testutil::ToAnsi(uid));
  std::wstring wideCipher(cipher.begin(), cipher.end());

  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wideCipher + L"\r\n");
  Load();
  EXPECT_EQ(g_Password, L"密码pw9");
  EXPECT_EQ(g_UserId, uid);

  ResetSettingsState();
  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wideCipher + L"\r\nisDecodePwd=1\r\n");
  Load();
  EXPECT_EQ(g_Password, wideCipher) << "stored as it is";

  ResetSettingsState();
  WriteAnsi(L"[dump]\r\nuid=" + uid + L"\r\nip=" + wideCipher + L"zz\r\n");
  Load();
  EXPECT_EQ(g_Password, L"") << "a cipher text that does not decode";

  ResetSettingsState();
  WriteAnsi(L"[dump]\r\nuid=李四\r\nip=" + wideCipher + L"\r\n");
  Load();
  EXPECT_NE(g_Password, L"密码pw9") << "another user id is another key";

  // A character the code page lacks is replaced before it becomes key material.
  ResetSettingsState();
  const std::string replaced = ref::EncryptPassword("pw", "a?");
  testutil::WriteBytes(Path(), "\xFF\xFE" + testutil::Utf16Bytes(L"[dump]\r\nuid=a\uD55C\r\nip=" +
                                                               std::wstring(replaced.begin(), replaced.end()) + L"\r\n"));
  Load();
  EXPECT_EQ(g_UserId, L"a?");
  EXPECT_EQ(g_Password, L"pw");
}

TEST_F(Config, PresetOverride) {
  WriteAnsi(L"[dump]\r\nFormSize_3_w=1600\r\n");
  Load();
  EXPECT_EQ(FormCfgSizeArr[3].Width, 1600);
  EXPECT_EQ(FormCfgSizeArr[3].Height, 1000);
  EXPECT_EQ(FormCfgSizeNameArr[3], L"高清");
  for (int k = 0; k < FormSizeNum; ++k) {
    if (k == 3) continue;
    EXPECT_EQ(FormCfgSizeArr[k].Width, FormDefSizeArr[k].Width) << k;
    EXPECT_EQ(FormCfgSizeArr[k].Height, FormDefSizeArr[k].Height) << k;
    EXPECT_EQ(FormCfgSizeNameArr[k], FormDefSizeNameArr[k]) << k;
  }

  ResetSettingsState();
  WriteAnsi(L"[dump]\r\nFormSizeName_6=最大\r\nFormSize_6_h=900\r\nFormSize_5_w=abc\r\n");
  Load();
  EXPECT_EQ(FormCfgSizeNameArr[6], L"最大");
  EXPECT_EQ(FormCfgSizeArr[6].Height, 900);
  EXPECT_EQ(FormCfgSizeArr[5].Width, 2208);
}

TEST_F(Config, OtherEntriesAndSkin) {
  WriteAnsi(L"[dump]\r\ndoUrl1=http://login/\r\ndoUrl2=http://game/?a=1\r\nSkinName=Air\r\nport=8080\r\n"
            L"Width=1000\r\nHeight=720\r\nSetSizeReload_0=0\r\nSetSizeReload_1=1\r\n");
  Load();
  EXPECT_EQ(g_loginUrl, L"http://login/");
  EXPECT_EQ(g_gameUrl, L"http://game/?a=1");
  EXPECT_EQ(g_SkinName, L"Air");
  EXPECT_EQ(g_GamePort, 8080);
  EXPECT_EQ(g_Width_Last, 1000);
  EXPECT_EQ(g_Height_Last, 720);
  EXPECT_EQ(g_SetSizeReloadArr[0], 0);
  EXPECT_EQ(g_SetSizeReloadArr[1], 1);
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
    ResetSettingsState();
    WriteAnsi(L"[dump]\r\nistest=1\r\n" + entries + L"\r\n[other]\r\ndoUrl2=elsewhere\r\n");
    auto platform = [&](const wchar_t* key, const wchar_t* def) {
      std::vector<wchar_t> buf(2048);
      DWORD n = GetPrivateProfileStringW(L"dump", key, def, buf.data(), 2048, Path().c_str());
      return std::wstring(buf.data(), n);
    };
    const std::wstring url = platform(L"doUrl2", L""), skin = platform(L"SkinName", L"Topaz 2017"),
                       title = platform(L"title_0", L"澜舟阁游戏");
    Load();
    EXPECT_EQ(g_gameUrl, url);
    EXPECT_EQ(g_SkinName, skin);
    EXPECT_EQ(g_title, title);
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
    const wchar_t* gameUrl;  // null: no entry
    std::optional<std::string> side;
    const wchar_t* expected;
  };
  const std::string ansiCode = testutil::ToAnsi(L"推广码");
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
      {"ANSI code page", L"1", L"u", ansiCode + "\n", L"u&tg=推广码"},
      {"UTF-8 mark", L"1", L"u", "\xEF\xBB\xBF " + testutil::ToUtf8(L"推广") + "\r\n", L"u&tg=推广"},
      {"UTF-16 mark", L"1", L"u", "\xFF\xFE" + testutil::Utf16Bytes(L" 推广 \r\nx"), L"u&tg=推广"},
      {"no line end, NULs trimmed", L"1", L"u", std::string("\0\0" "99\0", 5), L"u&tg=99"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetSettingsState();
    std::wstring file = L"[dump]\r\n";
    if (c.istui) file += std::wstring(L"istui=") + c.istui + L"\r\n";
    if (c.gameUrl) file += std::wstring(L"doUrl2=") + c.gameUrl + L"\r\n";
    WriteAnsi(file);
    DeleteFileW(dir_.File(L"52lzg.dat").c_str());
    if (c.side) testutil::WriteBytes(dir_.File(L"52lzg.dat"), *c.side);
    Load();
    EXPECT_EQ(g_gameUrl, c.expected);
  }
}

TEST_F(Config, SideFileThatIsAFolderIsMissing) {
  WriteAnsi(L"[dump]\r\nistui=1\r\ndoUrl2=u\r\n");
  ASSERT_TRUE(CreateDirectoryW(dir_.File(L"52lzg.dat").c_str(), nullptr));
  EXPECT_NO_THROW(Load());
  EXPECT_EQ(g_gameUrl, L"u");
}

TEST_F(Config, UnreadableSideFileFailsAfterEverythingIsRead) {
  WriteAnsi(L"[dump]\r\nistui=1\r\ndoUrl2=u\r\nFormSize_6_w=1\r\ntitle_1=后\r\n");
  testutil::WriteBytes(dir_.File(L"52lzg.dat"), "77\r\n");
  // Held open without sharing: it exists, but cannot be read.
  HANDLE lock = CreateFileW(dir_.File(L"52lzg.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  g_ParamStr_1 = L"x";
  EXPECT_ANY_THROW(LoadAppConfigIn(dir_.Dir()));
  CloseHandle(lock);
  EXPECT_EQ(g_tui_chrid, L"");
  EXPECT_EQ(g_gameUrl, L"u");
  EXPECT_EQ(FormCfgSizeArr[6].Width, 1);
  EXPECT_EQ(g_title, L"后");
  // The accessor was released: the file can be replaced right away.
  EXPECT_TRUE(DeleteFileW(Path().c_str()));
}

TEST_F(Config, SaveSizeEntriesOfOneProfile) {
  WriteAnsi(L"[dump]\r\nWidth_0=1000\r\nHeight_0=720\r\nSizeIndex_0=1\r\nchannel=qq\r\n[other]\r\nk=v\r\n");
  Load(L"http://popup/");
  g_WidthArr[1] = 2208;
  g_HeightArr[1] = 1242;
  g_SizeIndexArr[1] = 5;
  SaveSizeEntries(1);
  EXPECT_EQ(IniValue(Path(), L"Width_1"), L"2208");
  EXPECT_EQ(IniValue(Path(), L"Height_1"), L"1242");
  EXPECT_EQ(IniValue(Path(), L"SizeIndex_1"), L"5");
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"1000");
  EXPECT_EQ(IniValue(Path(), L"channel"), L"qq");
  EXPECT_EQ(IniValue(Path(), L"k", L"other"), L"v");

  g_WidthArr[0] = -5;
  SaveSizeEntries(0);
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"-5");
  EXPECT_EQ(IniValue(Path(), L"SizeIndex_0"), L"1");

  ResetSettingsState();
  Load(L"http://popup/");
  EXPECT_EQ(g_WidthArr[1], 2208);
  EXPECT_EQ(g_SizeIndex, 5);
}

TEST_F(Config, SaveSizeEntriesIgnoresWriteFailure) {
  Load();
  HANDLE lock = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  g_WidthArr[0] = 800;
  EXPECT_NO_THROW(SaveSizeEntries(0));
  CloseHandle(lock);
  EXPECT_EQ(g_WidthArr[0], 800);
  EXPECT_EQ(IniValue(Path(), L"Width_0"), L"<missing>");
}

TEST_F(Config, ExecutableDirectoryEndsWithSeparator) {
  std::wstring dir = lzg::ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'\\');
  EXPECT_TRUE(testutil::Exists(dir + L"test_config.exe"));
}

}  // namespace
