// The client's own log: how one line looks and what never goes into it. Platform-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lzg::logtext {

// Local time of a line, to the millisecond.
struct Stamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// `address` without its query part and fragment ("http://h/p?uid=1" -> "http://h/p").
std::wstring WithoutQuery(std::wstring_view address);

// The text as it may be written: every query part of an address in it cut off, every
// "&tg=" code removed, every secret replaced by "***", and line breaks and tabs made
// spaces so the text stays one line. A secret of four or more characters is replaced
// wherever it stands; a shorter one only as a whole word, or ordinary words would go too.
std::wstring Scrub(std::wstring_view text, const std::vector<std::wstring>& secrets);

// "2026-12-10 16:50:01.123\t<pid>\t<profile>\t<role>\t<thread>\t<text>\n", in UTF-8.
std::string FormatLine(const Stamp& stamp, unsigned long pid, int profile, std::string_view role,
                       std::string_view thread, std::wstring_view scrubbedText);

}  // namespace lzg::logtext
