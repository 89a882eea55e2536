// Randomised configuration loads: thousands of configuration and side files,
// generated from a seed and mutated from realistic ones, each loaded in process
// into a settings value of its own. Every load must end promptly without a failure,
// leave every field within its type and the rules, write only the program's own
// entries, and keep every other entry and section of the file as the platform reads it.
//
// LZG_CONFIG_SEED and LZG_CONFIG_COUNT override the seed and the count.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/config_int.h"
#include "tests/support/test_util.h"

namespace {

using testutil::TempDir;

constexpr size_t kValueLimit = 2047;  // what a 2048-unit read buffer can hold

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = towlower(c);
  return s;
}

// ---- reading a file as the platform sees it ----

std::vector<std::wstring> SplitZeros(const std::vector<wchar_t>& buf, DWORD n) {
  std::vector<std::wstring> out;
  std::wstring cur;
  for (DWORD i = 0; i < n; ++i) {
    if (buf[i] == 0) {
      if (cur.empty()) break;
      out.push_back(cur);
      cur.clear();
    } else {
      cur += buf[i];
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

struct IniView {
  std::vector<std::wstring> sections;                          // in file order
  std::map<std::wstring, std::vector<std::wstring>> lines;     // lower-case section -> "key=value" lines
};

IniView ReadView(const std::wstring& file) {
  IniView v;
  std::vector<wchar_t> buf(1 << 20);
  DWORD n = GetPrivateProfileSectionNamesW(buf.data(), static_cast<DWORD>(buf.size()), file.c_str());
  v.sections = SplitZeros(buf, n);
  for (const auto& s : v.sections) {
    DWORD m = GetPrivateProfileSectionW(s.c_str(), buf.data(), static_cast<DWORD>(buf.size()), file.c_str());
    auto& dst = v.lines[Lower(s)];
    for (auto& l : SplitZeros(buf, m)) dst.push_back(l);
  }
  return v;
}

std::wstring KeyOf(const std::wstring& line) {
  size_t eq = line.find(L'=');
  std::wstring k = eq == std::wstring::npos ? line : line.substr(0, eq);
  while (!k.empty() && (k.back() == L' ' || k.back() == L'\t')) k.pop_back();
  return Lower(k);
}

bool Owned(const std::wstring& lowerKey) { return lowerKey == L"uid" || lowerKey == L"ip" || lowerKey == L"step"; }

// ---- generating files ----

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  uint32_t Below(uint32_t n) { return n ? std::uniform_int_distribution<uint32_t>(0, n - 1)(rng_) : 0; }
  bool Chance(int percent) { return Below(100) < static_cast<uint32_t>(percent); }

  std::wstring Number() {
    static const wchar_t* kEdges[] = {
        L"0", L"-1", L"1", L"6", L"7", L"255", L"256", L"258", L"-129", L"65535", L"65536", L"2147483647",
        L"2147483648", L"-2147483648", L"-2147483649", L"4294967295", L"4294967296", L"0x7FFFFFFF", L"0xFFFFFFFF",
        L"0x100000000", L"$80000000", L"x1F", L"0x", L"$", L"  12", L"\t-3", L"+5", L"1e3", L"12abc", L"--1",
        L"0x500", L"1334", L"750", L"99999999999999999999", L"", L" ", L"\"42\"", L"'7'", L"０１２"};
    if (Chance(70)) return kEdges[Below(sizeof kEdges / sizeof *kEdges)];
    return std::to_wstring(static_cast<int64_t>(rng_()) - (int64_t{1} << 31) + static_cast<int64_t>(Below(3)) * 4294967296LL);
  }

  std::wstring Text() {
    static const wchar_t* kTexts[] = {L"澜舟阁游戏", L"http://g.example/play?a=1&b=2", L"\"quoted\"", L"'single'",
                                      L" padded ", L"a=b=c", L"[notasection]", L"; comment-like", L"Topaz 2017",
                                      L"ＡＢＣ", L"\x00e9\x00e8", L"tab\there", L"", L"高清"};
    std::wstring s = kTexts[Below(sizeof kTexts / sizeof *kTexts)];
    if (Chance(3)) s.assign(2000 + Below(3000), L'长');
    if (Chance(1)) s.assign(20000 + Below(100000), L'x');
    return s;
  }

  std::wstring Key() {
    static const wchar_t* kKeys[] = {
        L"isDecodePwd", L"Width", L"Height", L"SizeIndex", L"uid", L"ip", L"port", L"doUrl1", L"doUrl2", L"title",
        L"istest", L"SkinName", L"istui", L"Width_0", L"Height_0", L"SizeIndex_0", L"title_0", L"SetSizeReload_0",
        L"Width_1", L"Height_1", L"SizeIndex_1", L"title_1", L"SetSizeReload_1", L"FormSizeName_3", L"FormSize_3_w",
        L"FormSize_3_h", L"FormSize_6_w", L"FormSize_0_h", L"step", L"WIDTH", L"sizeindex_1", L"foreign", L"other key",
        L"launcher_token", L"Width_2", L"FormSize_7_w"};
    return kKeys[Below(sizeof kKeys / sizeof *kKeys)];
  }

  std::wstring Value(const std::wstring& key) {
    static const std::set<std::wstring> kText = {L"uid",     L"ip",      L"doUrl1",          L"doUrl2",
                                                 L"title",   L"SkinName", L"title_0",        L"title_1",
                                                 L"foreign", L"step",    L"FormSizeName_3", L"launcher_token"};
    if (key == L"ip" && Chance(50)) {
      std::wstring hex;
      for (uint32_t i = 0, n = Below(40); i < n; ++i) hex += L"0123456789abcdefABCDEFg "[Below(Chance(90) ? 22 : 24)];
      return hex;
    }
    return kText.count(key) ? Text() : Number();
  }

  std::wstring Section() {
    static const wchar_t* kSections[] = {L"dump", L"dump", L"dump", L"DUMP", L"Dump", L"launcher", L"other",
                                         L"中文节", L"dump ", L"", L"x]"};
    return kSections[Below(sizeof kSections / sizeof *kSections)];
  }

  // A configuration text made of sections, entries, odd lines and duplicates;
  // a well-formed one has plain sections and unique keys only.
  std::wstring Config(bool wellFormed) {
    std::wstring t;
    std::set<std::wstring> used;
    for (uint32_t s = 0, ns = 1 + Below(4); s < ns; ++s) {
      std::wstring section = wellFormed ? std::wstring(s == 0 ? L"dump" : L"other") + std::to_wstring(s ? s : 0) : Section();
      if (wellFormed && s == 0) section = L"dump";
      if (!(s == 0 && Chance(10) && !wellFormed)) t += L"[" + section + L"]\r\n";
      for (uint32_t e = 0, ne = Below(25); e < ne; ++e) {
        if (wellFormed) {
          std::wstring k = Key();
          if (!used.insert(section + L"/" + Lower(k)).second) continue;
          std::wstring v = Value(k);
          while (!v.empty() && (v.back() == L' ' || v.back() == L'\t')) v.pop_back();
          while (!v.empty() && (v.front() == L' ' || v.front() == L'\t')) v.erase(v.begin());
          if (v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
          t += k + L"=" + v + L"\r\n";
          continue;
        }
        switch (Below(12)) {
          case 0: t += L"; a comment\r\n"; break;
          case 1: t += L"\r\n"; break;
          case 2: t += L"no equals sign here\r\n"; break;
          case 3: t += L"=value without key\r\n"; break;
          default: {
            std::wstring k = Key();
            t += k + (Chance(10) ? L" = " : L"=") + Value(k) + (Chance(15) ? L"\n" : L"\r\n");
            if (Chance(10)) t += k + L"=" + Value(k) + L"\r\n";  // duplicate key
          }
        }
      }
    }
    return t;
  }

  // The bytes of `text` in one of the encodings a file may come in (the
  // program's own two when `readable`: ANSI, or UTF-16 with its mark).
  std::string Encode(const std::wstring& text, bool readable = false) {
    if (readable) return Chance(50) ? "\xFF\xFE" + testutil::Utf16Bytes(text) : testutil::ToAnsi(text);
    switch (Below(6)) {
      case 0: return "\xFF\xFE" + testutil::Utf16Bytes(text);
      case 1: return testutil::Utf16Bytes(text);  // UTF-16 without a byte-order mark
      case 2: return "\xEF\xBB\xBF" + testutil::ToUtf8(text);
      case 3: {
        std::string be = "\xFE\xFF";
        for (wchar_t c : text) be += static_cast<char>(c >> 8), be += static_cast<char>(c & 0xFF);
        return be;
      }
      default: return testutil::ToAnsi(text);
    }
  }

  // Binary noise, flips, cuts and repeats applied to real bytes.
  std::string Mutate(std::string b) {
    for (uint32_t i = 0, n = 1 + Below(8); i < n; ++i) {
      size_t at = b.empty() ? 0 : Below(static_cast<uint32_t>(b.size()));
      switch (Below(6)) {
        case 0: if (!b.empty()) b[at] = static_cast<char>(rng_()); break;
        case 1: b.insert(at, 1 + Below(16), static_cast<char>(rng_())); break;
        case 2: if (!b.empty()) b.erase(at, 1 + Below(32)); break;
        case 3: b.resize(at); break;
        case 4: { std::string chunk = b.substr(at, 1 + Below(200)); b.insert(Below(static_cast<uint32_t>(b.size()) + 1), chunk); } break;
        default: for (uint32_t k = 0, m = Below(64); k < m; ++k) b.insert(b.begin() + Below(static_cast<uint32_t>(b.size()) + 1), static_cast<char>(rng_())); break;
      }
    }
    return b;
  }

 private:
  std::mt19937 rng_;
};

// A file as the launcher writes it.
std::wstring RealConfig() {
  return L"[dump]\r\nisDecodePwd=0\r\nWidth=1334\r\nHeight=750\r\nSizeIndex=2\r\nuid=player01\r\n"
         L"ip=85E813540F0AB405\r\nport=8080\r\ndoUrl1=http://login.example/\r\n"
         L"doUrl2=http://g.example/play?id=7\r\ntitle=澜舟阁\r\nistest=0\r\nSkinName=Topaz 2017\r\nistui=1\r\n"
         L"Width_0=1334\r\nHeight_0=750\r\nSizeIndex_0=2\r\ntitle_0=澜舟阁游戏\r\nSetSizeReload_0=1\r\n"
         L"Width_1=1000\r\nHeight_1=720\r\nSizeIndex_1=1\r\ntitle_1=小游戏\r\nSetSizeReload_1=0\r\n"
         L"FormSize_3_w=1600\r\n[launcher]\r\nversion=3.2\r\nlast=2026-12-01\r\n";
}

struct Failure {
  int index;
  std::string what;
};

// One load: returns what went wrong, or an empty text.
std::string CheckOne(const TempDir& dir, const std::string& configBytes, const std::string* sideBytes,
                     bool profile1, bool strict) {
  const std::wstring file = dir.File(L"zeRoVedi.dat");
  testutil::WriteBytes(file, configBytes);
  const std::wstring side = dir.File(L"52lzg.dat");
  if (sideBytes) testutil::WriteBytes(side, *sideBytes); else DeleteFileW(side.c_str());

  IniView before;
  if (strict) before = ReadView(file);
  wchar_t raw[4096];
  GetPrivateProfileStringW(L"dump", L"istest", L"", raw, 4096, file.c_str());
  const bool testMode = lzg::ConfigIntOr(raw, 0) == 1;
  GetPrivateProfileStringW(L"dump", L"Width", L"", raw, 4096, file.c_str());
  const int32_t expectWidth = lzg::ConfigIntOr(raw, 1334);

  const int p = profile1 ? 1 : 0;
  lzg::Settings s;
  DWORD t0 = GetTickCount();
  try {
    s = lzg::LoadSettings(dir.Dir(), p);
  } catch (...) {
    // Whatever the files hold, the load ends normally.
    return "the load failed";
  }
  DWORD took = GetTickCount() - t0;
  if (took > 3000) return "load took " + std::to_string(took) + " ms";

  // Fields within their types and the rules.
  if (s.exe_dir != dir.Dir()) return "exe_dir";
  if (s.profile != p) return "profile";
  if (s.step != L"GetConfig|GetConfig_02|") return "step";
  if (s.title != s.profiles[p].title) return "title is not the profile's title";
  if (s.preset != s.profiles[p].preset) return "preset is not the profile's preset";
  if (s.base_size.width != expectWidth) return "Width read wrongly";
  if (s.last_size != s.base_size) return "copies of the base size";
  for (const std::wstring* text : {&s.title, &s.login_url, &s.skin_name, &s.profiles[0].title, &s.profiles[1].title})
    if (text->size() > kValueLimit) return "a text longer than the read buffer";
  for (const auto& preset : s.presets)
    if (preset.name.size() > kValueLimit) return "a preset name longer than the read buffer";
  const std::wstring& code = s.tui_code;
  if (code.find_first_of(L"\r\n") != std::wstring::npos) return "side-file code holds a line break";
  if (!code.empty() && (code.front() <= 32 || code.back() <= 32)) return "side-file code not trimmed";
  if (s.is_tui != 1 && !code.empty()) return "side file read although not enabled";
  if (!code.empty() && s.game_url.size() < 4 + code.size()) return "tag suffix missing";
  if (!code.empty() && s.game_url.compare(s.game_url.size() - code.size() - 4, std::wstring::npos, L"&tg=" + code) != 0)
    return "tag suffix wrong";

  // Only the program's own entries are written: the file equals the original
  // with just those writes made through the platform.
  const std::wstring reference = dir.File(L"reference.dat");
  testutil::WriteBytes(reference, configBytes);
  if (!testMode) {
    WritePrivateProfileStringW(L"dump", L"uid", L"", reference.c_str());
    WritePrivateProfileStringW(L"dump", L"ip", L"", reference.c_str());
  }
  WritePrivateProfileStringW(L"dump", L"step", L"GetConfig|GetConfig_02|", reference.c_str());
  std::string got, want;
  testutil::ReadBytes(file, got);
  testutil::ReadBytes(reference, want);
  // Wine's writer may copy stray bytes of a broken UTF-16 file (an odd length)
  // differently on each write; then what the platform reads must still agree.
  auto sameView = [&] {
    IniView a = ReadView(file), b = ReadView(reference);
    return a.sections == b.sections && a.lines == b.lines;
  };
  // A UTF-16 file of an odd length makes the platform read past its end (what
  // it then writes is not deterministic); only the checks above apply to it.
  const bool brokenUtf16 = configBytes.size() % 2 == 1 && configBytes.size() >= 2 &&
                           ((configBytes[0] == '\xFF' && configBytes[1] == '\xFE') ||
                            (configBytes[0] == '\xFE' && configBytes[1] == '\xFF'));
  if (!brokenUtf16 && got != want && !sameView()) {
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    auto show = [&](const std::string& b) {
      std::string o;
      for (size_t i = at > 40 ? at - 40 : 0; i < b.size() && i < at + 40; ++i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, (b[i] >= 32 && b[i] < 127) ? "%c" : "\\x%02X", static_cast<unsigned char>(b[i]));
        o += buf;
      }
      return o;
    };
    return "the file differs from the original with only the program's entries written, at byte " +
           std::to_string(at) + " (" + std::to_string(got.size()) + " vs " + std::to_string(want.size()) +
           " bytes)\n  program:   " + show(got) + "\n  reference: " + show(want);
  }

  // For a well-formed file, every other entry and section is still there as it was.
  if (strict) {
    IniView after = ReadView(file);
    for (const auto& s : before.sections) {
      bool found = false;
      for (const auto& a : after.sections) found |= Lower(a) == Lower(s);
      if (!found) return "section lost";
    }
    for (const auto& [section, lines] : before.lines) {
      const auto& now = after.lines[section];
      std::vector<std::wstring> keptBefore, keptAfter;
      for (const auto& l : lines) if (!(section == L"dump" && Owned(KeyOf(l)))) keptBefore.push_back(l);
      for (const auto& l : now) if (!(section == L"dump" && Owned(KeyOf(l)))) keptAfter.push_back(l);
      if (keptBefore != keptAfter) {
        std::string d = "an entry the program does not own changed in [" + testutil::ToUtf8(section) + "]:";
        for (const auto& l : keptBefore) d += "\n  before: " + testutil::ToUtf8(l.substr(0, 80));
        for (const auto& l : keptAfter) d += "\n  after:  " + testutil::ToUtf8(l.substr(0, 80));
        return d;
      }
    }
    wchar_t v[4096];
    GetPrivateProfileStringW(L"dump", L"step", L"<none>", v, 4096, file.c_str());
    if (std::wstring(v) != L"GetConfig|GetConfig_02|") return "step not written";
    GetPrivateProfileStringW(L"dump", L"ip", L"<none>", v, 4096, file.c_str());
    if (!testMode && std::wstring(v) != L"") return "password left in the file";
    GetPrivateProfileStringW(L"dump", L"uid", L"<none>", v, 4096, file.c_str());
    if (!testMode && std::wstring(v) != L"") return "user id left in the file";
  }
  return {};
}

TEST(RandomConfig, ThousandsOfFilesLoadSafely) {
  uint32_t seed = 20261210;
  int count = 10000;
  if (const char* s = std::getenv("LZG_CONFIG_SEED")) seed = static_cast<uint32_t>(std::strtoul(s, nullptr, 10));
  if (const char* c = std::getenv("LZG_CONFIG_COUNT")) count = std::atoi(c);

  Generator gen(seed);
  TempDir dir;
  std::vector<Failure> failures;
  const std::string real = testutil::ToAnsi(RealConfig());
  int generated = 0, mutated = 0;
  for (int i = 0; i < count; ++i) {
    std::string bytes;
    bool strict = false;
    if (gen.Chance(25)) {
      bytes = gen.Encode(gen.Config(true), true);
      strict = true;
      ++generated;
    } else if (gen.Chance(35)) {
      bytes = gen.Encode(gen.Config(false));
      ++generated;
    } else {
      bytes = gen.Mutate(gen.Chance(30) ? gen.Encode(RealConfig()) : real);
      ++mutated;
    }
    std::string sideBytes;
    bool withSide = gen.Chance(30);
    if (withSide) sideBytes = gen.Chance(50) ? gen.Encode(L"  " + gen.Text() + L" \r\nsecond") : gen.Mutate("77\r\n");
    std::string what = CheckOne(dir, bytes, withSide ? &sideBytes : nullptr, gen.Chance(30), strict);
    if (!what.empty()) {
      failures.push_back({i, what});
      if (failures.size() <= 5) {
        std::wstring keep = dir.File(L"failure-" + std::to_wstring(i) + L".dat");
        testutil::WriteBytes(keep, bytes);
      }
    }
  }
  char line[256];
  std::snprintf(line, sizeof line, "randomised configuration loads: %d files (%d generated, %d mutated), seed %u, %zu failures\n",
                count, generated, mutated, seed, failures.size());
  std::fputs(line, stdout);
  // The test run collects such figures in one file and prints them at its end.
  if (const char* figures = std::getenv("LZG_FIGURES"))
    if (FILE* f = std::fopen(figures, "a")) {
      std::fputs(line, f);
      std::fclose(f);
    }
  for (size_t k = 0; k < failures.size() && k < 10; ++k)
    ADD_FAILURE() << "file " << failures[k].index << ": " << failures[k].what;
  EXPECT_TRUE(failures.empty());
}

}  // namespace
