#include "standin/text.h"

#include <cctype>
#include <climits>

namespace standin {

std::string EscapeTraceValue(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '%': out += "%25"; break;
      case ' ': out += "%20"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      case '=': out += "%3D"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {
void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

template <class Unit>
std::string Utf16UnitsToUtf8(const Unit* s, std::size_t n) {
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    uint32_t c = static_cast<uint16_t>(s[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      uint32_t d = static_cast<uint16_t>(s[i + 1]);
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

template <class Str>
Str Utf8ToUtf16Units(const std::string& s) {
  Str out;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { out += static_cast<typename Str::value_type>(0xFFFD); ++i; continue; }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= n || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (!ok) { out += static_cast<typename Str::value_type>(0xFFFD); ++i; continue; }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<typename Str::value_type>(0xD800 + (cp >> 10));
      out += static_cast<typename Str::value_type>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<typename Str::value_type>(cp);
    }
  }
  return out;
}
}  // namespace

std::string Utf16ToUtf8(const std::u16string& s) { return Utf16UnitsToUtf8(s.data(), s.size()); }
std::u16string Utf8ToUtf16(const std::string& s) { return Utf8ToUtf16Units<std::u16string>(s); }
std::string WideToUtf8(const wchar_t* s, std::size_t n) { return s ? Utf16UnitsToUtf8(s, n) : std::string(); }
std::wstring Utf8ToWide(const std::string& s) { return Utf8ToUtf16Units<std::wstring>(s); }

std::string JsonQuote(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          static const char hex[] = "0123456789abcdef";
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::optional<std::string> QueryValue(const std::string& url, const std::string& key) {
  std::size_t q = url.find('?');
  if (q == std::string::npos) return std::nullopt;
  std::size_t end = url.find('#', q);
  std::string query = url.substr(q + 1, end == std::string::npos ? std::string::npos : end - q - 1);
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t amp = query.find('&', pos);
    std::string part = query.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
    std::size_t eq = part.find('=');
    std::string k = part.substr(0, eq);
    if (k == key) return eq == std::string::npos ? std::string() : part.substr(eq + 1);
    if (amp == std::string::npos) break;
    pos = amp + 1;
  }
  return std::nullopt;
}

int ParseCount(const std::optional<std::string>& text, int fallback, int max_value) {
  if (!text || text->empty()) return fallback;
  long long v = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return fallback;
    v = v * 10 + (c - '0');
    if (v > max_value) return fallback;
  }
  return static_cast<int>(v);
}

std::string SwitchKey(const std::string& name) {
  std::size_t start = 0;
  if (name.compare(0, 2, "--") == 0) start = 2;
  else if (!name.empty() && (name[0] == '-' || name[0] == '/')) start = 1;
  std::string key = name.substr(start);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

std::pair<std::string, std::string> SplitCommand(const std::string& line) {
  std::size_t sp = line.find(' ');
  if (sp == std::string::npos) return {line, std::string()};
  return {line.substr(0, sp), line.substr(sp + 1)};
}

std::optional<PopupCommand> ParsePopupArgs(const std::string& rest) {
  auto [disp, tail] = SplitCommand(rest);
  auto [gesture, url] = SplitCommand(tail);
  int d = ParseCount(disp, -1, 100);
  if (d < 0 || (gesture != "0" && gesture != "1")) return std::nullopt;
  PopupCommand c;
  c.disposition = d;
  c.gesture = gesture == "1";
  c.url = url;
  return c;
}

}  // namespace standin
