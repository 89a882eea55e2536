#include "skin/skin_format.h"

#include <cctype>
#include <functional>

namespace lzg::skin {

namespace {

bool ParseDecimal(const std::string& s, long long max, long long& value) {
  if (s.empty() || s.size() > 12) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= max;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ParseColor(const std::string& s, Color& out) {
  if (s.size() != 7 || s[0] != '#') return false;
  Color v = 0;
  for (size_t i = 1; i < 7; ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      return false;
    v = v << 4 | static_cast<Color>(d);
  }
  out = v;
  return true;
}

}  // namespace

bool UnpackSkin(const std::string& packed, std::map<std::string, std::string>& files, std::string& error) {
  files.clear();
  static const std::string kMagic = "LZGSKIN 1\n";
  if (packed.compare(0, kMagic.size(), kMagic) != 0) {
    error = "not a packed skin (header)";
    return false;
  }
  size_t pos = kMagic.size();
  while (pos < packed.size()) {
    const size_t eol = packed.find('\n', pos);
    if (eol == std::string::npos) {
      error = "entry header without end of line";
      return false;
    }
    const std::string header = packed.substr(pos, eol - pos);
    const size_t space = header.find(' ');
    long long size = 0;
    if (space == std::string::npos || !ParseDecimal(header.substr(0, space), 0x7fffffff, size)) {
      error = "entry header malformed: " + header.substr(0, 40);
      return false;
    }
    const std::string name = header.substr(space + 1);
    if (name.empty()) {
      error = "entry without a name";
      return false;
    }
    pos = eol + 1;
    if (static_cast<unsigned long long>(size) > packed.size() - pos) {
      error = "entry '" + name + "' truncated";
      return false;
    }
    files[name] = packed.substr(pos, static_cast<size_t>(size));
    pos += static_cast<size_t>(size);
  }
  return true;
}

bool ParseSkinIni(const std::string& text, SkinTheme& theme, std::string& error) {
  SkinTheme t;  // defaults; copied out only when the whole file is good
  struct IntKey {
    int* field;
    int min, max;
  };
  const std::map<std::string, IntKey> ints = {
      {"frame.borderwidth", {&t.borderWidth, 0, 32}},
      {"frame.titleheight", {&t.titleHeight, 8, 128}},
      {"frame.accentheight", {&t.accentHeight, 0, 8}},
      {"title.fontsize", {&t.captionFontSize, 4, 48}},
      {"captionbuttons.width", {&t.buttonWidth, 8, 96}},
      {"captionbuttons.height", {&t.buttonHeight, 8, 96}},
      {"captionbuttons.radius", {&t.buttonRadius, 0, 48}},
      {"captionbuttons.spacing", {&t.buttonSpacing, 0, 32}},
      {"items.height", {&t.itemHeight, 8, 96}},
      {"items.padding", {&t.itemPadding, 0, 64}},
      {"items.radius", {&t.itemRadius, 0, 48}},
  };
  const std::map<std::string, Color*> colors = {
      {"frame.borderouter", &t.borderOuter},     {"frame.borderinner", &t.borderInner},
      {"frame.fill", &t.frame},                  {"frame.accent", &t.accent},
      {"frame.highlight", &t.highlight},         {"title.gradienttop", &t.titleTop},
      {"title.gradientbottom", &t.titleBottom},  {"title.inactivetop", &t.inactiveTop},
      {"title.inactivebottom", &t.inactiveBottom}, {"title.text", &t.text},
      {"title.inactivetext", &t.inactiveText},   {"title.textshadow", &t.textShadow},
      {"captionbuttons.glyph", &t.glyph},        {"captionbuttons.hoverfill", &t.hoverFill},
      {"captionbuttons.pressedfill", &t.pressedFill}, {"captionbuttons.closehoverfill", &t.closeHoverFill},
      {"captionbuttons.closepressedfill", &t.closePressedFill}, {"items.top", &t.itemTop},
      {"items.bottom", &t.itemBottom},           {"items.border", &t.itemBorder},
      {"items.hovertop", &t.itemHoverTop},       {"items.hoverbottom", &t.itemHoverBottom},
      {"items.pressedtop", &t.itemPressedTop},   {"items.pressedbottom", &t.itemPressedBottom},
      {"items.text", &t.itemText},
  };

  std::string section;
  bool sawSkin = false, sawVersion = false;
  size_t pos = 0;
  int lineNo = 0;
  // A UTF-8 byte order mark is common from Windows editors.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos <= text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = Trim(text.substr(pos, eol - pos));
    pos = eol + 1;
    ++lineNo;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    auto fail = [&](const std::string& what) {
      error = "skin.ini line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (line[0] == '[') {
      if (line.back() != ']') return fail("unclosed section");
      section = Lower(Trim(line.substr(1, line.size() - 2)));
      sawSkin = sawSkin || section == "skin";
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected key=value");
    const std::string key = section + "." + Lower(Trim(line.substr(0, eq)));
    const std::string value = Trim(line.substr(eq + 1));
    if (key == "skin.name") {
      t.name = value;
    } else if (key == "skin.version") {
      if (value != "1") return fail("unsupported version " + value);
      sawVersion = true;
    } else if (key == "title.font") {
      if (value.empty() || value.size() > 31) return fail("bad font name");
      t.captionFont = value;
    } else if (auto i = ints.find(key); i != ints.end()) {
      long long v;
      if (!ParseDecimal(value, i->second.max, v) || v < i->second.min) return fail("bad number for " + key);
      *i->second.field = static_cast<int>(v);
    } else if (auto c = colors.find(key); c != colors.end()) {
      if (!ParseColor(value, *c->second)) return fail("bad colour for " + key + " (want #RRGGBB)");
    }
  }
  if (!sawSkin || !sawVersion) {
    error = "skin.ini: missing [Skin] section with Version=1";
    return false;
  }
  if (t.titleHeight < t.borderWidth + t.accentHeight + 8) {
    error = "skin.ini: title bar too low for its border and accent line";
    return false;
  }
  theme = t;
  return true;
}

}  // namespace lzg::skin
