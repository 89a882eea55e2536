// The client's log lines: their format, and that no secret, query part or "&tg=" code survives into them.
#include <gtest/gtest.h>

#include "base/log_text.h"
#include "base/utf8.h"

namespace {

using lzg::logtext::FormatLine;
using lzg::logtext::Scrub;
using lzg::logtext::Stamp;
using lzg::ToUtf8;
using lzg::logtext::WithoutQuery;

TEST(LogText, ScrubCutsQueriesCodesAndSecrets) {
  const std::vector<std::wstring> secrets = {L"player01", L"s3cret-pw", L"ab", L"7a9F"};
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"Load error -105 http://game.example/play?uid=player01&k=v", L"Load error -105 http://game.example/play"},
      {L"\"https://a.b/c#frag\" failed", L"\"https://a.b/c\" failed"},
      {L"home http://g/x&tg=77 ok", L"home http://g/x&tg=*** ok"},
      {L"?tg=abc&z=1", L"?tg=***&z=1"},
      {L"user player01 logged", L"user *** logged"},
      {L"xxs3cret-pwxx", L"xx***xx"},
      {L"ab is short: tab and ab.", L"*** is short: tab and ***."},
      {L"code 7a9F7a9F", L"code ******"},
      {L"line\r\nbreak\tand tab", L"line  break and tab"},
      {L"data:text/html;charset=utf-8,%3Chtml%3Eplayer01", L"data:text/html;charset=utf-8,…"},
      {L"retry 2 of the home address", L"retry 2 of the home address"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.in));
    EXPECT_EQ(Scrub(c.in, secrets), c.out);
  }
}

TEST(LogText, WithoutQueryKeepsThePathOnly) {
  EXPECT_EQ(WithoutQuery(L"http://h/p?a=1#f"), L"http://h/p");
  EXPECT_EQ(WithoutQuery(L"http://h/p#f?x"), L"http://h/p");
  EXPECT_EQ(WithoutQuery(L"http://h/p"), L"http://h/p");
  EXPECT_EQ(WithoutQuery(L"&tg=5"), L"&tg=5");  // no address: left to Scrub
}

TEST(LogText, LineHasSixColumnsInUtf8) {
  const Stamp s{2026, 12, 10, 9, 5, 3, 7};
  EXPECT_EQ(FormatLine(s, 4242, 1, "renderer", "engine UI", L"游戏 ok"),
            "2026-12-10 09:05:03.007\t4242\t1\trenderer\tengine UI\t\xE6\xB8\xB8\xE6\x88\x8F ok\n");
}

TEST(LogText, Utf8OfSurrogates) {
  const wchar_t pair[] = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00), 0};
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xDC00), L'b', 0};
  EXPECT_EQ(ToUtf8(pair), "\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(lone), "a\xEF\xBF\xBD" "b");
}

}  // namespace
