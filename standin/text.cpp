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

std::optional<int> ParseNetError(const std::optional<std::string>& text) {
  if (!text || text->size() < 2 || (*text)[0] != '-') return std::nullopt;
  int v = ParseCount(text->substr(1), -1, 999);
  if (v <= 0) return std::nullopt;
  return -v;
}

std::string NetErrorText(int code) {
  switch (code) {
    case -2: return "ERR_FAILED";
    case -3: return "ERR_ABORTED";
    case -7: return "ERR_TIMED_OUT";
    case -21: return "ERR_NETWORK_CHANGED";
    case -100: return "ERR_CONNECTION_CLOSED";
    case -101: return "ERR_CONNECTION_RESET";
    case -102: return "ERR_CONNECTION_REFUSED";
    case -104: return "ERR_CONNECTION_FAILED";
    case -105: return "ERR_NAME_NOT_RESOLVED";
    case -106: return "ERR_INTERNET_DISCONNECTED";
    case -109: return "ERR_ADDRESS_UNREACHABLE";
    case -118: return "ERR_CONNECTION_TIMED_OUT";
    case -130: return "ERR_PROXY_CONNECTION_FAILED";
    case -137: return "ERR_NAME_RESOLUTION_FAILED";
    case -302: return "ERR_UNKNOWN_URL_SCHEME";
    case -320: return "ERR_INVALID_RESPONSE";
    case -324: return "ERR_EMPTY_RESPONSE";
    case -355: return "ERR_INCOMPLETE_CHUNKED_ENCODING";
    default: return "ERR_FAILED";
  }
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    int h = -1, l = -1;
    if (s[i] == '%' && i + 2 < s.size() && (h = HexDigit(s[i + 1])) >= 0 && (l = HexDigit(s[i + 2])) >= 0) {
      out += static_cast<char>(h * 16 + l);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string Base64Decode(const std::string& s) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string DecodeEntity(const std::string& e) {
  if (e == "amp") return "&";
  if (e == "lt") return "<";
  if (e == "gt") return ">";
  if (e == "quot") return "\"";
  if (e == "apos") return "'";
  if (e == "nbsp") return " ";
  if (e.size() > 1 && e[0] == '#') {
    uint32_t cp = 0;
    bool hex = e[1] == 'x' || e[1] == 'X';
    for (std::size_t i = hex ? 2 : 1; i < e.size(); ++i) {
      int d = hex ? HexDigit(e[i]) : (e[i] >= '0' && e[i] <= '9' ? e[i] - '0' : -1);
      if (d < 0 || cp > 0x10FFFF) return "\xEF\xBF\xBD";
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    std::string out;
    AppendUtf8(out, cp);
    return out;
  }
  return "&" + e + ";";
}

}  // namespace

std::optional<std::vector<std::string>> HtmlDataText(const std::string& url) {
  const std::string scheme = "data:text/html";
  if (Lower(url.substr(0, scheme.size())) != scheme) return std::nullopt;
  std::size_t comma = url.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const std::string header = Lower(url.substr(0, comma));
  std::string body = PercentDecode(url.substr(comma + 1));
  if (header.find(";base64") != std::string::npos) body = Base64Decode(body);

  std::vector<std::string> lines;
  std::string line;
  auto endLine = [&] {
    std::string t;
    for (char c : line) {
      bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (space) {
        if (!t.empty() && t.back() != ' ') t += ' ';
      } else {
        t += c;
      }
    }
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (!t.empty()) lines.push_back(t);
    line.clear();
  };
  std::string hidden;  // the element whose content is not shown, while inside it
  for (std::size_t i = 0; i < body.size();) {
    char c = body[i];
    if (c == '<') {
      std::size_t close = body.find('>', i);
      if (close == std::string::npos) break;
      std::string tag = Lower(body.substr(i + 1, close - i - 1));
      i = close + 1;
      bool end = !tag.empty() && tag[0] == '/';
      std::string name;
      for (std::size_t k = end ? 1 : 0; k < tag.size() && std::isalnum(static_cast<unsigned char>(tag[k])); ++k)
        name += tag[k];
      if (!hidden.empty()) {
        if (end && name == hidden) hidden.clear();
        continue;
      }
      if (!end && (name == "head" || name == "style" || name == "script" || name == "title")) {
        hidden = name;
        continue;
      }
      static const char* const kBlocks[] = {"p", "div", "br", "h1", "h2", "h3", "h4", "li", "tr", "body", "html"};
      for (const char* b : kBlocks)
        if (name == b) endLine();
      continue;
    }
    if (!hidden.empty()) {
      ++i;
      continue;
    }
    if (c == '&') {
      std::size_t semi = body.find(';', i);
      if (semi != std::string::npos && semi - i <= 10) {
        line += DecodeEntity(body.substr(i + 1, semi - i - 1));
        i = semi + 1;
        continue;
      }
    }
    line += c;
    ++i;
  }
  endLine();
  return lines;
}

std::string SchemeOf(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return {};
  std::string scheme;
  for (size_t i = 0; i < colon; ++i) {
    const char c = url[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alpha && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return {};
    scheme += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return scheme;
}

bool EngineHandlesScheme(const std::string& url) {
  static const char* const kOwn[] = {"http", "https", "ws", "wss", "ftp", "file", "data", "about",
                                     "blob", "filesystem", "javascript", "chrome", "chrome-devtools",
                                     "chrome-error", "view-source"};
  const std::string scheme = SchemeOf(url);
  if (scheme.empty()) return true;
  for (const char* own : kOwn)
    if (scheme == own) return true;
  return false;
}

std::string SiteOf(const std::string& url) {
  const std::size_t colon = url.find("://");
  if (colon == std::string::npos || colon == 0) return {};
  const std::size_t host_start = colon + 3;
  std::size_t host_end = url.find_first_of("/?#", host_start);
  if (host_end == std::string::npos) host_end = url.size();
  std::string host = url.substr(host_start, host_end - host_start);
  if (const std::size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  // A port goes; the colons of a bracketed IPv6 address stay.
  const std::size_t bracket = host.rfind(']');
  if (const std::size_t port = host.rfind(':'); port != std::string::npos && (bracket == std::string::npos || port > bracket))
    host.erase(port);
  if (host.empty()) return {};
  std::string site = url.substr(0, colon) + "://" + host;
  for (char& ch : site)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return site;
}

}  // namespace standin
