// Platform-free: no <windows.h>.
#include "base/log_text.h"

#include "base/utf8.h"

#include <algorithm>
#include <cstdio>

namespace lzg::logtext {
namespace {

bool IsWordChar(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c > 0x7F;
}

// Where an address that starts at `from` ends: at blank space, a quote or an angle bracket.
size_t AddressEnd(std::wstring_view text, size_t from) {
  size_t i = from;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c <= L' ' || c == L'"' || c == L'\'' || c == L'<' || c == L'>' || c == 0x3000) break;
    ++i;
  }
  return i;
}

// Every address ("scheme://..." or "data:...") loses its query part and fragment.
std::wstring CutQueries(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t sep = text.find(L"://", i);
    size_t data = text.find(L"data:", i);
    size_t at = std::min(sep, data);
    if (at == std::wstring_view::npos) break;
    size_t start = at;
    if (at == sep) {
      while (start > i && (IsWordChar(text[start - 1]) || text[start - 1] == L'+' || text[start - 1] == L'-' ||
                           text[start - 1] == L'.'))
        --start;
    }
    size_t end = AddressEnd(text, at);
    out.append(text.substr(i, start - i));
    std::wstring_view address = text.substr(start, end - start);
    // A data address carries its whole content where a query would be: only its kind stays.
    if (at == data && at != sep) {
      size_t cut = address.find_first_of(L",?#");
      out.append(address.substr(0, cut));
      if (cut != std::wstring_view::npos && address[cut] == L',') out.append(L",…");
    } else {
      out.append(WithoutQuery(address));
    }
    i = end;  // past at least the separator: text[at] is no blank
  }
  if (i < text.size()) out.append(text.substr(i));
  return out;
}

// "&tg=<code>" and "?tg=<code>" lose the code, wherever they stand.
std::wstring CutTgCodes(std::wstring text) {
  for (size_t at = text.find(L"tg="); at != std::wstring::npos; at = text.find(L"tg=", at + 1)) {
    if (at == 0 || (text[at - 1] != L'&' && text[at - 1] != L'?')) continue;
    size_t end = at + 3;
    while (end < text.size() && text[end] != L'&' && text[end] > L' ' && text[end] != L'"' && text[end] != L'\'')
      ++end;
    text.replace(at + 3, end - (at + 3), L"***");
  }
  return text;
}

std::wstring ReplaceSecret(std::wstring text, const std::wstring& secret) {
  const bool wholeWordOnly = secret.size() < 4;
  for (size_t at = text.find(secret); at != std::wstring::npos;) {
    const size_t end = at + secret.size();
    const bool bounded = (at == 0 || !IsWordChar(text[at - 1])) && (end >= text.size() || !IsWordChar(text[end]));
    if (!wholeWordOnly || bounded) {
      text.replace(at, secret.size(), L"***");
      at = text.find(secret, at + 3);
    } else {
      at = text.find(secret, at + 1);
    }
  }
  return text;
}

}  // namespace

std::wstring WithoutQuery(std::wstring_view address) {
  size_t cut = address.find_first_of(L"?#");
  return std::wstring(address.substr(0, cut));
}

namespace {
std::wstring OneLine(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c == L'\r' || c == L'\n' || c == L'\t' || c == 0x2028 || c == 0x2029) c = L' ';
  }
  return out;
}
}  // namespace

std::wstring Scrub(std::wstring_view text, const std::vector<std::wstring>& secrets) {
  // Cutting can join what a blank kept apart, and a replaced secret can join two halves
  // of an address: the steps repeat until nothing changes.
  std::wstring out = OneLine(text);
  for (int round = 0; round < 4; ++round) {
    std::wstring next = CutTgCodes(CutQueries(out));
    for (const std::wstring& secret : secrets) {
      if (secret.find_first_not_of(L'*') == std::wstring::npos) continue;  // the mark itself
      next = ReplaceSecret(std::move(next), secret);
      const std::wstring flat = OneLine(secret);
      if (flat != secret) next = ReplaceSecret(std::move(next), flat);
    }
    if (next == out) return out;
    out = std::move(next);
  }
  return L"(a message that could not be made safe to keep)";
}

std::string FormatLine(const Stamp& s, unsigned long pid, int profile, std::string_view role, std::string_view thread,
                       std::wstring_view scrubbedText) {
  char head[64];
  std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d\t%lu\t%d\t", s.year % 10000, s.month % 100,
                s.day % 100, s.hour % 100, s.minute % 100, s.second % 100, s.millisecond % 1000, pid, profile);
  std::string line = head;
  line.append(role);
  line.push_back('\t');
  line.append(thread);
  line.push_back('\t');
  line.append(ToUtf8(scrubbedText));
  line.push_back('\n');
  return line;
}

}  // namespace lzg::logtext
