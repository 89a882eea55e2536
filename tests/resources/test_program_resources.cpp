// lzgmin.exe as Windows reads it: the manifest and the version resource, read back from the built
// and the shipped exe as data, and the manifest's Common Controls 6 dependency resolved by the loader.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lzg_version.h"
#include "tests/support/client_run.h"

namespace {

// ---- Just enough XML for a manifest --------------------------------------------------------

struct Element {
  std::string ns, name;  // namespace URI and local name
  std::map<std::string, std::string> attrs;
  std::vector<Element> kids;

  std::vector<const Element*> Kids(const std::string& local) const {
    std::vector<const Element*> out;
    for (const Element& k : kids)
      if (k.name == local) out.push_back(&k);
    return out;
  }
  std::string Attr(const std::string& n) const {
    auto it = attrs.find(n);
    return it == attrs.end() ? std::string() : it->second;
  }
  // Every element of this name at any depth.
  void Find(const std::string& local, std::vector<const Element*>& out) const {
    if (name == local) out.push_back(this);
    for (const Element& k : kids) k.Find(local, out);
  }
};

// Elements, attributes in either quote, namespaces by prefix; declarations, comments and text are
// skipped. Anything else (an unclosed tag, a mismatched end tag, an unbound prefix) fails.
class XmlReader {
 public:
  explicit XmlReader(std::string text) : s_(std::move(text)) {}

  bool Read(Element& root) {
    if (!SkipMisc() || !ReadElement(root, {})) return false;
    return SkipMisc() && pos_ == s_.size();
  }

 private:
  using Scope = std::map<std::string, std::string>;  // prefix ("" for the default) -> URI

  bool At(const char* t) const { return s_.compare(pos_, std::strlen(t), t) == 0; }
  bool SkipPast(const char* t) {
    size_t end = s_.find(t, pos_);
    if (end == std::string::npos) return false;
    pos_ = end + std::strlen(t);
    return true;
  }
  void SkipSpace() {
    while (pos_ < s_.size() && s_[pos_] && std::strchr(" \t\r\n", s_[pos_])) ++pos_;
  }
  bool SkipMisc() {
    for (;;) {
      SkipSpace();
      if (At("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (At("<!--")) {
        if (!SkipPast("-->")) return false;
      } else {
        return true;
      }
    }
  }
  std::string Name() {
    size_t begin = pos_;
    while (pos_ < s_.size() && s_[pos_] &&
           (std::isalnum(static_cast<unsigned char>(s_[pos_])) || std::strchr(":_-.", s_[pos_])))
      ++pos_;
    return s_.substr(begin, pos_ - begin);
  }

  bool ReadElement(Element& e, Scope scope) {
    if (!At("<")) return false;
    ++pos_;
    const std::string qname = Name();
    if (qname.empty()) return false;
    for (;;) {
      SkipSpace();
      if (At("/>") || At(">")) break;
      const std::string attr = Name();
      SkipSpace();
      if (attr.empty() || !At("=")) return false;
      ++pos_;
      SkipSpace();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return false;
      const char quote = s_[pos_++];
      const size_t end = s_.find(quote, pos_);
      if (end == std::string::npos || !e.attrs.emplace(attr, s_.substr(pos_, end - pos_)).second) return false;
      pos_ = end + 1;
    }
    for (const auto& [k, v] : e.attrs) {
      if (k == "xmlns") scope[""] = v;
      if (k.rfind("xmlns:", 0) == 0) scope[k.substr(6)] = v;
    }
    const size_t colon = qname.find(':');
    const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
    e.name = colon == std::string::npos ? qname : qname.substr(colon + 1);
    auto bound = scope.find(prefix);
    if (bound != scope.end())
      e.ns = bound->second;
    else if (!prefix.empty())
      return false;
    if (At("/>")) {
      pos_ += 2;
      return true;
    }
    ++pos_;
    for (;;) {
      while (pos_ < s_.size() && s_[pos_] != '<') ++pos_;  // text
      if (pos_ >= s_.size()) return false;
      if (At("<!--")) {
        if (!SkipPast("-->")) return false;
      } else if (At("</")) {
        pos_ += 2;
        if (Name() != qname) return false;
        SkipSpace();
        if (!At(">")) return false;
        ++pos_;
        return true;
      } else {
        e.kids.emplace_back();
        if (!ReadElement(e.kids.back(), scope)) return false;
      }
    }
  }

  std::string s_;
  size_t pos_ = 0;
};

TEST(XmlReader, ReadsWhatAManifestUsesAndRefusesBrokenText) {
  Element root;
  ASSERT_TRUE(XmlReader("<?xml version='1.0'?>\n<!-- c --><a xmlns='urn:x' xmlns:p=\"urn:p\" k='v'>"
                        "<p:b q=\"1\"/><!-- <c/> -->text<c><d xmlns='urn:d'/></c></a>\n")
                  .Read(root));
  EXPECT_EQ(root.ns + " " + root.name + " " + root.Attr("k"), "urn:x a v");
  ASSERT_EQ(root.kids.size(), 2u);
  EXPECT_EQ(root.kids[0].ns + " " + root.kids[0].name + " " + root.kids[0].Attr("q"), "urn:p b 1");
  EXPECT_EQ(root.kids[1].ns, "urn:x");
  ASSERT_EQ(root.kids[1].kids.size(), 1u);
  EXPECT_EQ(root.kids[1].kids[0].ns, "urn:d");
  for (const char* bad : {"<a>", "<a></b>", "<a/><b/>", "<p:a/>", "<a k='1' k='2'/>", "<a k=1/>", "<a><!-- </a>"}) {
    Element e;
    EXPECT_FALSE(XmlReader(bad).Read(e)) << bad;
  }
}

// ---- The exe's resources ---------------------------------------------------------------------

constexpr char kAsmV1[] = "urn:schemas-microsoft-com:asm.v1";
constexpr char kCompatibility[] = "urn:schemas-microsoft-com:compatibility.v1";
constexpr char kAsmV3[] = "urn:schemas-microsoft-com:asm.v3";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

// The built exe beside the tests and the shipped one.
std::wstring ExePath(const std::string& which) {
  return which == "built" ? testutil::SelfDir() + L"lzgmin.exe" : e2e::BuildDir() + L"dist\\lzgmin.exe";
}

class ProgramResources : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    path_ = ExePath(GetParam());
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << testutil::ToUtf8(path_) << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  // Names (as numbers; a string name counts as -1) and the languages of each, of one type.
  using Found = std::map<int, std::vector<WORD>>;
  static BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
  }
  static BOOL CALLBACK OnName(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR found) {
    std::vector<WORD>& languages =
        (*reinterpret_cast<Found*>(found))[IS_INTRESOURCE(name) ? static_cast<int>(LOWORD(name)) : -1];
    EnumResourceLanguagesW(m, type, name, OnLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return TRUE;
  }
  Found Resources(LPCWSTR type) const {
    Found found;
    EnumResourceNamesW(module_, type, OnName, reinterpret_cast<LONG_PTR>(&found));
    return found;
  }

  std::string Manifest() const {
    HRSRC info = FindResourceW(module_, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    if (!info) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, info)));
    return data ? std::string(data, SizeofResource(module_, info)) : std::string();
  }

  std::wstring path_;
  HMODULE module_ = nullptr;
};

TEST_P(ProgramResources, OneManifestAndOneVersionResource) {
  const auto manifests = Resources(RT_MANIFEST);
  ASSERT_EQ(manifests.size(), 1u) << "a second manifest would come from the link";
  EXPECT_EQ(manifests.begin()->first, 1) << "CREATEPROCESS_MANIFEST_RESOURCE_ID";
  EXPECT_EQ(manifests.begin()->second.size(), 1u) << "one language";
  const auto versions = Resources(RT_VERSION);
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions.begin()->first, VS_VERSION_INFO);
  EXPECT_EQ(versions.begin()->second, std::vector<WORD>{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)});
}

TEST_P(ProgramResources, ManifestHoldsExactlyTheExpectedEntries) {
  Element root;
  ASSERT_TRUE(XmlReader(Manifest()).Read(root)) << "manifest is not well-formed:\n" << Manifest();
  EXPECT_EQ(root.ns, kAsmV1);
  EXPECT_EQ(root.name, "assembly");
  EXPECT_EQ(root.Attr("manifestVersion"), "1.0");
  std::vector<std::string> top;
  for (const Element& k : root.kids) top.push_back(k.ns + " " + k.name);
  EXPECT_EQ(top, (std::vector<std::string>{std::string(kAsmV1) + " dependency",
                                           std::string(kCompatibility) + " compatibility",
                                           std::string(kAsmV3) + " trustInfo"}));

  // Common Controls 6, the only dependency.
  std::vector<const Element*> identities;
  for (const Element* d : root.Kids("dependency"))
    for (const Element* da : d->Kids("dependentAssembly"))
      for (const Element* id : da->Kids("assemblyIdentity")) identities.push_back(id);
  ASSERT_EQ(identities.size(), 1u);
  const Element& cc = *identities[0];
  EXPECT_EQ(cc.Attr("type"), "win32");
  EXPECT_EQ(cc.Attr("name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(cc.Attr("version"), "6.0.0.0");
  EXPECT_TRUE(cc.Attr("processorArchitecture") == "x86" || cc.Attr("processorArchitecture") == "*")
      << cc.Attr("processorArchitecture");
  EXPECT_EQ(Lower(cc.Attr("publicKeyToken")), "6595b64144ccf1df");

  // Windows 7, 8, 8.1 and 10/11, nothing else.
  std::multiset<std::string> ids;
  for (const Element* c : root.Kids("compatibility"))
    for (const Element* app : c->Kids("application"))
      for (const Element* os : app->Kids("supportedOS")) {
        EXPECT_EQ(os->ns, kCompatibility);
        ids.insert(Lower(os->Attr("Id")));
      }
  EXPECT_EQ(ids, (std::multiset<std::string>{"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));

  // As invoker, without UI access, at the one place Windows looks for it.
  std::vector<const Element*> levels;
  for (const Element* t : root.Kids("trustInfo"))
    for (const Element* s : t->Kids("security"))
      for (const Element* p : s->Kids("requestedPrivileges"))
        for (const Element* l : p->Kids("requestedExecutionLevel")) levels.push_back(l);
  ASSERT_EQ(levels.size(), 1u);
  EXPECT_EQ(levels[0]->ns, kAsmV3);
  EXPECT_EQ(levels[0]->Attr("level"), "asInvoker");
  EXPECT_EQ(levels[0]->Attr("uiAccess"), "false");

  // Neither DPI awareness nor a code page of its own, at any depth.
  for (const char* absent : {"dpiAware", "dpiAwareness", "activeCodePage", "windowsSettings"}) {
    std::vector<const Element*> found;
    root.Find(absent, found);
    EXPECT_TRUE(found.empty()) << absent;
  }
}

// What the manifest is for: under its activation context comctl32.dll resolves to the Common
// Controls 6 assembly. (Wine's copy there reports 5.81 from DllGetVersion, so the version number
// proves nothing; the redirection and the assembly the library comes from do.)
TEST_P(ProgramResources, ManifestBindsCommonControls6) {
  ACTCTX_SECTION_KEYED_DATA keyed{};
  keyed.cbSize = sizeof keyed;
  ASSERT_FALSE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &keyed))
      << "the test program itself has no manifest";
  ACTCTXW ctx{};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.lpSource = path_.c_str();
  ctx.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  HANDLE actctx = CreateActCtxW(&ctx);
  ASSERT_NE(actctx, INVALID_HANDLE_VALUE) << "the loader refuses the manifest, error " << GetLastError();
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(actctx, &cookie));
  const bool redirected =
      FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &keyed);
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  wchar_t file[MAX_PATH] = L"";
  if (comctl) GetModuleFileNameW(comctl, file, MAX_PATH);
  if (comctl) FreeLibrary(comctl);
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(actctx);
  EXPECT_TRUE(redirected);
  EXPECT_NE(Lower(file).find(L"\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
      << testutil::ToUtf8(file);
}

// The blocks of a version resource: key, value and children, walked as laid out (each block
// 32-bit aligned), so that no string of any table escapes the checks below.
struct VersionBlock {
  std::wstring key;
  std::wstring text;  // the value of a text block
  std::vector<VersionBlock> kids;
};

bool ReadBlock(const BYTE* p, size_t available, VersionBlock& b, size_t& length) {
  auto word = [&](size_t at) { return static_cast<size_t>(p[at] | (p[at + 1] << 8)); };
  auto align = [](size_t n) { return (n + 3) & ~size_t{3}; };
  if (available < 6) return false;
  length = word(0);
  const size_t valueLength = word(2), type = word(4);
  if (length < 6 || length > available) return false;
  size_t at = 6;
  for (;; at += 2) {
    if (at + 2 > length) return false;
    const wchar_t c = static_cast<wchar_t>(word(at));
    if (!c) break;
    b.key += c;
  }
  at = align(at + 2);
  const size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
  if (at + valueBytes > length) return false;
  if (type == 1)
    for (size_t i = 0; i < valueLength && word(at + 2 * i); ++i) b.text += static_cast<wchar_t>(word(at + 2 * i));
  at = align(at + valueBytes);
  while (at < length) {
    b.kids.emplace_back();
    size_t kid = 0;
    if (!ReadBlock(p + at, length - at, b.kids.back(), kid)) return false;
    at = align(at + kid);
  }
  return true;
}

TEST(VersionBlocks, WalkerReadsNestedTextAndRefusesTruncation) {
  // "R" { "T"="ab" }: root 6 + key 4 -> 12 (aligned), child 6 + key 4 -> 12, value 6 -> 18.
  const BYTE data[] = {30, 0, 0, 0, 0, 0, 'R', 0, 0, 0, 0, 0,  //
                       18, 0, 3, 0, 1, 0, 'T', 0, 0, 0, 0, 0, 'a', 0, 'b', 0, 0, 0};
  VersionBlock root;
  size_t length = 0;
  ASSERT_TRUE(ReadBlock(data, sizeof data, root, length));
  EXPECT_EQ(length, sizeof data);
  EXPECT_EQ(root.key, L"R");
  ASSERT_EQ(root.kids.size(), 1u);
  EXPECT_EQ(root.kids[0].key, L"T");
  EXPECT_EQ(root.kids[0].text, L"ab");
  for (size_t cut : {size_t{5}, size_t{20}, sizeof data - 1}) {
    VersionBlock b;
    EXPECT_FALSE(ReadBlock(data, cut, b, length)) << cut;
  }
}

TEST_P(ProgramResources, VersionResourceCarriesTheBuildsVersionAndChineseTexts) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD ms = MAKELONG(LZG_VERSION_MINOR, LZG_VERSION_MAJOR), ls = MAKELONG(LZG_VERSION_TWEAK, LZG_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, ms);
  EXPECT_EQ(fixed->dwFileVersionLS, ls);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug, pre-release or patched flag";
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  // One translation, zh-CN in Unicode, naming the one string table.
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 1200);

  const std::wstring versionText = std::to_wstring(LZG_VERSION_MAJOR) + L"." + std::to_wstring(LZG_VERSION_MINOR) +
                                   L"." + std::to_wstring(LZG_VERSION_PATCH) + L"." +
                                   std::to_wstring(LZG_VERSION_TWEAK);
  ASSERT_EQ(versionText, Wide(LZG_VERSION_TEXT));
  const std::map<std::wstring, std::wstring> expected = {
      {L"CompanyName", L"澜舟阁"},
      {L"FileDescription", L"澜舟阁游戏客户端"},
      {L"FileVersion", versionText},
      {L"InternalName", L"lzgmin"},
      {L"LegalCopyright", L"版权所有 © 2026 澜舟阁"},
      {L"OriginalFilename", L"lzgmin.exe"},
      {L"ProductName", L"澜舟阁游戏"},
      {L"ProductVersion", versionText},
  };
  for (const auto& [key, value] : expected) {
    wchar_t* text = nullptr;
    EXPECT_TRUE(VerQueryValueW(data.data(), (L"\\StringFileInfo\\080404B0\\" + key).c_str(),
                               reinterpret_cast<void**>(&text), &len))
        << testutil::ToUtf8(key);
    EXPECT_EQ(text && len ? std::wstring(text, wcsnlen(text, len)) : L"", value) << testutil::ToUtf8(key);
  }

  // Every table and string, walked: the one table holds exactly these, and nothing anywhere
  // carries a word that makes Windows take the exe for an installer.
  VersionBlock root;
  size_t length = 0;
  ASSERT_TRUE(ReadBlock(data.data(), data.size(), root, length));
  EXPECT_EQ(root.key, L"VS_VERSION_INFO");
  std::map<std::wstring, std::wstring> strings;
  std::vector<std::wstring> tables, words;
  for (const VersionBlock& info : root.kids) {
    words.push_back(info.key);
    if (info.key != L"StringFileInfo") continue;
    for (const VersionBlock& table : info.kids) {
      tables.push_back(Lower(table.key));
      for (const VersionBlock& s : table.kids) {
        strings[s.key] = s.text;
        words.push_back(s.key);
        words.push_back(s.text);
      }
    }
  }
  EXPECT_EQ(tables, std::vector<std::wstring>{L"080404b0"});
  EXPECT_EQ(strings, expected);
  for (const std::wstring& w : words)
    for (const wchar_t* banned : {L"setup", L"install", L"update", L"patch"})
      EXPECT_EQ(Lower(w).find(banned), std::wstring::npos) << testutil::ToUtf8(w);
}

INSTANTIATE_TEST_SUITE_P(BuiltAndShipped, ProgramResources, testing::Values("built", "shipped"),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
