// The game window's recovery decisions: reload after a renderer's end, the retry schedule after a failed
// load, and the error page's text. Platform-free; built for Windows and natively.
#include <gtest/gtest.h>

#include <string>

#include "gamewindow/page_recovery.h"

namespace {

using lzg::PageRecovery;
constexpr std::uint64_t kMin = 60 * 1000;

// Decodes the percent-encoded UTF-8 of a data: address back into bytes.
std::string DataBytes(const std::wstring& address) {
  const std::wstring prefix = L"data:text/html;charset=utf-8,";
  EXPECT_EQ(address.rfind(prefix, 0), 0u);
  std::string out;
  for (size_t i = prefix.size(); i < address.size(); ++i) {
    wchar_t c = address[i];
    if (c == L'%') {
      EXPECT_LE(i + 2, address.size() - 1);
      out += static_cast<char>(std::stoi(std::string{static_cast<char>(address[i + 1]), static_cast<char>(address[i + 2])},
                                         nullptr, 16));
      i += 2;
    } else {
      EXPECT_TRUE((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
                  c == L'.' || c == L'_' || c == L'~')
          << static_cast<int>(c);
      out += static_cast<char>(c);
    }
  }
  return out;
}

TEST(Recovery, RendererReloadsThreeTimesInTenMinutes) {
  // Time of each end (minutes) and the decision expected.
  struct Case { std::uint64_t at; PageRecovery::Renderer want; } cases[] = {
      {0, PageRecovery::Renderer::Reload},
      {1, PageRecovery::Renderer::Reload},
      {2, PageRecovery::Renderer::Reload},
      {3, PageRecovery::Renderer::GiveUp},   // the fourth within ten minutes
      {9, PageRecovery::Renderer::GiveUp},   // giving up changes no count
      {10, PageRecovery::Renderer::Reload},  // the reload at 0 has left the window (exactly ten minutes)
      {10, PageRecovery::Renderer::GiveUp},  // 1, 2 and 10 are inside
      {11, PageRecovery::Renderer::Reload},  // 1 has left
      {30, PageRecovery::Renderer::Reload},  // all have left
  };
  PageRecovery r;
  for (const auto& c : cases) EXPECT_EQ(r.RendererEnded(c.at * kMin), c.want) << "minute " << c.at;
  EXPECT_EQ(r.RecentRendererReloads(30 * kMin), 1);
}

TEST(Recovery, NothingOnceStopped) {
  PageRecovery r;
  EXPECT_EQ(r.LoadFailed(), 5000u);
  r.Stop();
  EXPECT_TRUE(r.Stopped());
  EXPECT_EQ(r.RendererEnded(0), PageRecovery::Renderer::Ignore);
  EXPECT_EQ(r.LoadFailed(), 0u);
  r.Reset();
  EXPECT_EQ(r.LoadFailed(), 0u);
}

TEST(Recovery, RetrySchedule) {
  PageRecovery r;
  const std::uint32_t want[] = {5000, 15000, 30000, 60000, 60000, 60000};
  for (std::uint32_t w : want) EXPECT_EQ(r.LoadFailed(), w);
  // A load of the game resets the schedule, and so does the player's reload.
  r.LoadSucceeded();
  EXPECT_EQ(r.LoadFailed(), 5000u);
  EXPECT_EQ(r.LoadFailed(), 15000u);
  r.Reset();
  EXPECT_EQ(r.LoadFailed(), 5000u);
  // Far past the schedule the delay stays at a minute.
  for (int i = 0; i < 5000; ++i) r.LoadFailed();
  EXPECT_EQ(r.LoadFailed(), 60000u);
  EXPECT_EQ(lzg::RetryDelayMs(0), 5000u);
  EXPECT_EQ(lzg::RetryDelayMs(-7), 5000u);
}

TEST(Recovery, WhichLoadErrorsCount) {
  const std::wstring game = L"http://game.example/play?x=1";
  struct Case {
    int code;
    std::wstring url;
    bool own, main, want;
  } cases[] = {
      {-105, game, true, true, true},
      {-102, game, true, true, true},
      {-106, L"HTTPS://game.example/", true, true, true},
      {-118, game, true, true, true},
      {-324, game, true, true, true},  // broke off after the page committed
      {-355, game, true, true, true},
      {-3, game, true, true, false},                              // cancelled or replaced
      {-302, L"tencent://message/?uin=1", true, true, false},     // a link to another program
      {-302, game, true, true, false},
      {-105, game, true, false, false},                           // a sub-frame
      {-105, game, false, true, false},                           // a popup browser
      {0, game, true, true, false},                               // no error at all
      {-105, L"data:text/html;charset=utf-8,x", true, true, false},  // our own error page
      {-105, L"about:blank", true, true, false},
      {-105, L"chrome-error://chromewebdata/", true, true, false},
      {-105, L"file:///C:/game.html", true, true, false},
      {-105, L"httpx://game.example/", true, true, false},
      {-105, L"", true, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lzg::IsGameLoadFailure(c.own, c.main, c.url, c.code), c.want)
        << c.own << c.main << " " << c.code << " " << testing::PrintToString(c.url);
}

// Only the server's answer to the game's own address in the main frame is the game arriving: the engine's error
// document, a page that broke off, about:blank and the client's own page are not.
TEST(Recovery, WhichLoadEndsAreTheGameArriving) {
  const std::wstring game = L"http://game.example/play?x=1";
  struct Case {
    std::wstring url;
    int status;
    bool own, main, want;
  } cases[] = {
      {game, 200, true, true, true},
      {L"HTTPS://game.example/", 200, true, true, true},
      {game, 404, true, true, true},  // the server answered
      {game, 1, true, true, true},
      {L"chrome-error://chromewebdata/", 0, true, true, false},  // the engine's error document
      {game, 0, true, true, false},
      {game, -324, true, true, false},  // broke off after it committed: the error code as the status
      {L"about:blank", 200, true, true, false},
      {L"data:text/html;charset=utf-8,x", 200, true, true, false},
      {game, 200, true, false, false},  // a sub-frame
      {game, 200, false, true, false},  // a popup browser
      {L"", 200, true, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lzg::IsGameArrival(c.own, c.main, c.url, c.status), c.want)
        << c.own << c.main << " " << c.status << " " << testing::PrintToString(c.url);
}

TEST(Recovery, ErrorNames) {
  struct Case { int code; const wchar_t* name; } cases[] = {
      {-105, L"ERR_NAME_NOT_RESOLVED"},  {-102, L"ERR_CONNECTION_REFUSED"}, {-106, L"ERR_INTERNET_DISCONNECTED"},
      {-118, L"ERR_CONNECTION_TIMED_OUT"}, {-3, L"ERR_ABORTED"},            {-9999, L"ERR_-9999"},
      {-302, L"ERR_UNKNOWN_URL_SCHEME"},   {-324, L"ERR_EMPTY_RESPONSE"},      {-355, L"ERR_INCOMPLETE_CHUNKED_ENCODING"},
  };
  for (const auto& c : cases) EXPECT_EQ(lzg::NetErrorName(c.code), c.name);
}

TEST(Recovery, EscapeTable) {
  struct Case { const wchar_t* in; const wchar_t* out; } cases[] = {
      {L"", L""},
      {L"plain 文字", L"plain 文字"},
      {L"<script>alert(1)</script>", L"&lt;script&gt;alert(1)&lt;/script&gt;"},
      {L"a\"b'c&d", L"a&quot;b&#39;c&amp;d"},
      {L"&lt;", L"&amp;lt;"},
  };
  for (const auto& c : cases) EXPECT_EQ(lzg::HtmlEscape(c.in), c.out) << c.in;
  EXPECT_EQ(lzg::HtmlEscape(std::wstring(L"a\0b", 3)), L"a&#xFFFD;b");
}

TEST(Recovery, ErrorPageNamesTheErrorAndCannotBeInjected) {
  const std::wstring failed = L"http://game.example/\"><script>x()</script><a href='y'>";
  const std::wstring html =
      lzg::ErrorPageHtml(-105, L"net::ERR_NAME_NOT_RESOLVED", failed, L"http://game.example/?a=1&b=2");
  EXPECT_NE(html.find(L"无法连接到游戏服务器"), std::wstring::npos);
  EXPECT_NE(html.find(L"ERR_NAME_NOT_RESOLVED (-105)"), std::wstring::npos);
  EXPECT_NE(html.find(L"立即重试"), std::wstring::npos);
  EXPECT_NE(html.find(L"href=\"http://game.example/?a=1&amp;b=2\""), std::wstring::npos);
  EXPECT_EQ(html.find(L"<script"), std::wstring::npos);
  EXPECT_NE(html.find(L"&lt;script&gt;x()&lt;/script&gt;"), std::wstring::npos);
  // Exactly the page's own links: the one retry link.
  size_t links = 0;
  for (size_t p = html.find(L"<a "); p != std::wstring::npos; p = html.find(L"<a ", p + 1)) ++links;
  EXPECT_EQ(links, 1u);
  // The engine's text is added only when it says more than the name.
  EXPECT_EQ(lzg::ErrorPageHtml(-102, L"ERR_CONNECTION_REFUSED", L"u", L"u").find(L"(-102) ERR"), std::wstring::npos);
  EXPECT_NE(lzg::ErrorPageHtml(-102, L"refused <b>", L"u", L"u").find(L"(-102) refused &lt;b&gt;"),
            std::wstring::npos);
}

TEST(Recovery, ErrorPageAddressCarriesUtf8) {
  const std::wstring html = L"<p>无法 a%b#c</p>";
  const std::wstring address = lzg::ErrorPageAddress(html);
  EXPECT_TRUE(lzg::IsErrorPageAddress(address));
  EXPECT_EQ(address.find(L'#'), std::wstring::npos);
  EXPECT_EQ(DataBytes(address), "<p>\xE6\x97\xA0\xE6\xB3\x95 a%b#c</p>");
  // A lone surrogate cannot make invalid UTF-8.
  EXPECT_EQ(DataBytes(lzg::ErrorPageAddress(std::wstring(1, static_cast<wchar_t>(0xD800)))), "\xEF\xBF\xBD");
  EXPECT_FALSE(lzg::IsErrorPageAddress(L"http://game.example/"));
  EXPECT_FALSE(lzg::IsErrorPageAddress(L"data:text/plain,x"));
}

TEST(Recovery, Titles) {
  EXPECT_EQ(lzg::LoadingTitle(L"游戏"), L"游戏 正在加载，请稍后...");
  // An empty game title keeps the notice's leading space.
  EXPECT_EQ(lzg::LoadingTitle(L""), L" 正在加载，请稍后...");
  EXPECT_EQ(lzg::ErrorTitle(L"游戏", -105), L"游戏 无法连接游戏（ERR_NAME_NOT_RESOLVED），稍后自动重试");
  EXPECT_NE(lzg::StoppedTitle(L"游戏").find(L"重新启动客户端"), std::wstring::npos);
}

}  // namespace
