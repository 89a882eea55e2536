#include "gamewindow/popup_policy.h"

#include <string_view>

namespace lzg {

bool StartsNewInstance(int disposition) { return disposition >= 3 && disposition <= 6; }

std::wstring EncodePopupParameters(const std::wstring& targetUrl) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(targetUrl.size());
  for (size_t i = 0; i < targetUrl.size(); ++i) {
    wchar_t c = targetUrl[i];
    bool encode = c <= 32 || c == L'"' || (i == 0 && (c == L'-' || c == L'/'));
    if (encode) {
      out += L'%';
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

bool IsAsciiAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHex(wchar_t c) { return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// The scheme before the first ':' in the generic syntax, lower-cased; empty when there is none.
std::wstring SchemeOf(const std::wstring& url) {
  const size_t colon = url.find(L':');
  if (colon == std::wstring::npos || colon == 0 || !IsAsciiAlpha(url[0])) return {};
  std::wstring scheme;
  for (size_t i = 0; i < colon; ++i) {
    const wchar_t c = url[i];
    if (!IsAsciiAlpha(c) && !IsDigit(c) && c != L'+' && c != L'-' && c != L'.') return {};
    scheme += AsciiLower(c);
  }
  return scheme;
}

// Letters of internationalised host names. Refused: C1 controls and Latin-1
// symbols, spacing and combining marks, every punctuation, symbol and space block,
// surrogates and private use, and the small, vertical, fullwidth and halfwidth
// forms, whose compatibility mappings turn into '/', '\', ':', '@', '%', '.'.
bool IsHostLetter(wchar_t c) {
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2B0 && c <= 0x36F) return false;
  if (c == 0x1680 || c == 0x180E) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;
  if (c >= 0x2E00 && c <= 0x303F) return false;
  if (c >= 0xD800 && c <= 0xF8FF) return false;
  if (c >= 0xFE00 && c <= 0xFE6F) return false;
  if (c >= 0xFEFF) return false;
  return true;
}

// A host name: dot-separated labels of ASCII letters, digits, '-', '_' and host letters;
// no empty label but for a final dot.
bool IsRegName(const std::wstring& host) {
  if (host.empty()) return false;
  size_t label = 0;
  for (size_t i = 0; i < host.size(); ++i) {
    const wchar_t c = host[i];
    if (c == L'.') {
      if (label == 0) return false;
      label = 0;
      continue;
    }
    if (c < 0x80 ? !(IsAsciiAlpha(c) || IsDigit(c) || c == L'-' || c == L'_') : !IsHostLetter(c)) return false;
    ++label;
  }
  return true;
}

// Dotted decimal, four parts 0..255 without leading zeros.
bool IsIpv4(const std::wstring& s) {
  int parts = 0;
  size_t i = 0;
  while (true) {
    size_t j = i;
    while (j < s.size() && IsDigit(s[j])) ++j;
    const size_t len = j - i;
    if (len == 0 || len > 3 || (len > 1 && s[i] == L'0')) return false;
    if (std::stoi(s.substr(i, len)) > 255) return false;
    ++parts;
    if (j == s.size()) break;
    if (s[j] != L'.' || parts == 4) return false;
    i = j + 1;
  }
  return parts == 4;
}

// The text between the brackets of an IPv6 literal: eight groups of 1..4 hex
// digits, one "::" standing for at least one group, the last two groups
// possibly as dotted decimal. No zone.
bool IsIpv6(const std::wstring& s) {
  size_t i = 0;
  int groups = 0;
  bool compressed = false;
  if (s.compare(0, 2, L"::") == 0) {
    compressed = true;
    i = 2;
    if (i == s.size()) return true;
  }
  while (i < s.size()) {
    size_t j = s.find(L':', i);
    if (j == std::wstring::npos) j = s.size();
    const std::wstring piece = s.substr(i, j - i);
    if (piece.find(L'.') != std::wstring::npos) {
      if (j != s.size() || !IsIpv4(piece)) return false;
      groups += 2;
    } else {
      if (piece.empty() || piece.size() > 4) return false;
      for (wchar_t c : piece)
        if (!IsHex(c)) return false;
      ++groups;
    }
    if (j == s.size()) break;
    if (j + 1 < s.size() && s[j + 1] == L':') {
      if (compressed) return false;
      compressed = true;
      i = j + 2;
    } else {
      i = j + 1;
      if (i == s.size()) return false;  // a lone ':' at the end
    }
  }
  return compressed ? groups <= 7 : groups == 8;
}

// user info as the URL syntax has it: unreserved, sub-delimiters, ':' and %XX; ASCII only.
bool IsUserInfo(const std::wstring& s) {
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const wchar_t c = s[i];
    if (c == L'%') {
      if (i + 2 >= s.size() || !IsHex(s[i + 1]) || !IsHex(s[i + 2])) return false;
      i += 2;
      continue;
    }
    if (IsAsciiAlpha(c) || IsDigit(c)) continue;
    if (std::wstring_view(L"-._~!$&'()*+,;=:").find(c) == std::wstring_view::npos) return false;
  }
  return true;
}

bool IsPort(const std::wstring& s) {
  if (s.empty() || s.size() > 5) return false;
  for (wchar_t c : s)
    if (!IsDigit(c)) return false;
  return std::stoi(s) <= 65535;
}

// [userinfo "@"] host [":" port], host a name or a bracketed IPv6 literal.
bool IsAuthority(const std::wstring& authority) {
  std::wstring hostPort = authority;
  const size_t at = authority.rfind(L'@');
  if (at != std::wstring::npos) {
    if (!IsUserInfo(authority.substr(0, at))) return false;
    hostPort = authority.substr(at + 1);
  }
  std::wstring host, port;
  bool hasPort = false;
  if (!hostPort.empty() && hostPort[0] == L'[') {
    const size_t close = hostPort.find(L']');
    if (close == std::wstring::npos || !IsIpv6(hostPort.substr(1, close - 1))) return false;
    const std::wstring rest = hostPort.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != L':') return false;
      hasPort = true;
      port = rest.substr(1);
    }
  } else {
    const size_t colon = hostPort.find(L':');
    host = hostPort.substr(0, colon);
    if (!IsRegName(host)) return false;
    if (colon != std::wstring::npos) {
      hasPort = true;
      port = hostPort.substr(colon + 1);
    }
  }
  return !hasPort || IsPort(port);
}

bool IsBlankOrControl(wchar_t c) { return c <= 0x20 || c == 0x7F; }

// The scheme cut to 16 characters, for the diagnostic lines that may name it.
std::wstring ShortScheme(const std::wstring& url) {
  std::wstring scheme = SchemeOf(url);
  if (scheme.size() > 16) scheme = scheme.substr(0, 16) + L"...";
  return scheme;
}

}  // namespace

bool EngineHandlesScheme(const std::wstring& url) {
  static const wchar_t* const kOwn[] = {L"http", L"https", L"ws", L"wss", L"ftp", L"file", L"data", L"about",
                                        L"blob", L"filesystem", L"javascript", L"chrome", L"chrome-devtools",
                                        L"chrome-error", L"view-source"};
  const std::wstring scheme = SchemeOf(url);
  if (scheme.empty()) return true;
  for (const wchar_t* own : kOwn)
    if (scheme == own) return true;
  return false;
}

std::wstring RefusedNavigationNote(const std::wstring& url) {
  return L"Navigation to another program refused: address with scheme \"" + ShortScheme(url) + L"\" (" +
         std::to_wstring(url.size()) + L" characters)";
}

bool MayStartInstanceFor(const std::wstring& url) {
  if (url.empty()) return true;
  // The engine strips these before it reads the scheme; we do not guess along.
  if (IsBlankOrControl(url.front()) || IsBlankOrControl(url.back())) return false;
  const std::wstring scheme = SchemeOf(url);
  if (scheme != L"http" && scheme != L"https") return false;
  // Exactly two forward slashes: "http:host", "http:/host", "http:\\host" and
  // "http:///host" are all mended to a host by the engine; none is taken here.
  size_t pos = scheme.size() + 1;
  if (url.compare(pos, 2, L"//") != 0) return false;
  pos += 2;
  const size_t end = url.find_first_of(L"/?#", pos);
  return IsAuthority(url.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
}

InstanceStart InstanceStartFor(const std::wstring& url) {
  InstanceStart out;
  if (MayStartInstanceFor(url)) {
    out.start = true;
    out.parameters = EncodePopupParameters(url);
    return out;
  }
  // The address may carry credentials or tokens (user info, query): only its
  // scheme, cut short, and its length are recorded.
  const std::wstring scheme = ShortScheme(url);
  const std::wstring length = L" (" + std::to_wstring(url.size()) + L" characters)";
  if (scheme.empty())
    out.note = L"New instance refused: address without a scheme" + length;
  else if (scheme == L"http" || scheme == L"https")
    out.note = L"New instance refused: malformed address with scheme \"" + scheme + L"\"" + length;
  else
    out.note = L"New instance refused: address with scheme \"" + scheme + L"\"" + length;
  return out;
}

}  // namespace lzg
