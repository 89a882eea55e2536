#include "engine/bridge.h"

namespace lzg {
namespace {
volatile LONG g_live = 0;
}

RefCounted::RefCounted() noexcept { InterlockedIncrement(&g_live); }
RefCounted::~RefCounted() { InterlockedDecrement(&g_live); }

std::string TypeNameFromSignature(const char* signature) {
  // "... [with T = lzg::Client; std::string = ...]": the text after "T = " up to ';' or ']'.
  const std::string s = signature ? signature : "";
  const size_t at = s.find("T = ");
  if (at == std::string::npos) return "?";
  size_t end = s.find_first_of(";]", at);
  std::string name = s.substr(at + 4, end == std::string::npos ? std::string::npos : end - at - 4);
  const size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

long LiveBridgedObjects() noexcept { return InterlockedCompareExchange(&g_live, 0, 0); }

}  // namespace lzg
