// The layout checks live in the header as static_asserts; this test proves the
// bridge hands the engine well-formed structs and balances its references.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/bridge.h"

// The engine ORs qualifier bits into transitions and reports error codes beyond any list: as enumerations
// of the named values, such arguments would be out of range the moment they arrive.
static_assert(std::is_same_v<cef_transition_type_t, int32_t>, "transitions travel as 32-bit integers");
static_assert(std::is_same_v<cef_errorcode_t, int32_t>, "error codes travel as 32-bit integers");

namespace {
std::vector<std::string> g_failures;
}
namespace lzg {
void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  g_failures.push_back(std::string(operation) + " error : " + message);
}
}  // namespace lzg

namespace {

class Probe : public lzg::CefObject<cef_request_handler_t, Probe> {
  using Self = Probe;

 public:
  explicit Probe(bool fail) : fail_(fail) {
    LZG_BIND(on_before_browse, OnBeforeBrowse);
    LZG_BIND_OR(can_get_cookies, CanGetCookies, 1);
  }
  bool OnBeforeBrowse(cef_browser_t*, cef_frame_t*, cef_request_t*, int gesture, int) {
    if (fail_) throw std::runtime_error("boom");
    return gesture != 0;
  }
  bool CanGetCookies(cef_browser_t*, cef_frame_t*, cef_request_t*) {
    if (fail_) throw 7;
    return false;
  }

 private:
  bool fail_;
};

TEST(Bridge, StructFirstWithSizeAndCounts) {
  long before = lzg::LiveBridgedObjects();
  Probe* p = new Probe(false);
  cef_request_handler_t* s = p->ToCef();
  EXPECT_EQ(static_cast<void*>(s), static_cast<void*>(p->CefPtr()));
  EXPECT_EQ(s->base.size, sizeof(cef_request_handler_t));
  EXPECT_EQ(Probe::FromCef(s), p);
  EXPECT_EQ(s->base.has_one_ref(&s->base), 0);
  EXPECT_EQ(s->on_before_browse(s, nullptr, nullptr, nullptr, 1, 0), 1);
  EXPECT_EQ(s->can_get_cookies(s, nullptr, nullptr, nullptr), 0);
  p->Release();
  EXPECT_EQ(s->base.has_one_ref(&s->base), 1);
  EXPECT_EQ(lzg::LiveBridgedObjects(), before + 1);
  EXPECT_EQ(s->base.release(&s->base), 1);
  EXPECT_EQ(lzg::LiveBridgedObjects(), before);
}

TEST(Bridge, FailuresAreReportedAndAnsweredNeutrally) {
  g_failures.clear();
  Probe* p = new Probe(true);
  cef_request_handler_t* s = p->CefPtr();
  EXPECT_EQ(s->on_before_browse(s, nullptr, nullptr, nullptr, 1, 0), 0);
  EXPECT_EQ(s->can_get_cookies(s, nullptr, nullptr, nullptr), 1);
  ASSERT_EQ(g_failures.size(), 2u);
  EXPECT_EQ(g_failures[0], "Probe.OnBeforeBrowse error : boom");
  EXPECT_EQ(g_failures[1], "Probe.CanGetCookies error : unknown failure");
  p->Release();
}

}  // namespace
