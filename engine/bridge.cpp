#include "engine/bridge.h"

namespace lzg {
namespace {
volatile LONG g_live = 0;
}

RefCounted::RefCounted() noexcept { InterlockedIncrement(&g_live); }
RefCounted::~RefCounted() { InterlockedDecrement(&g_live); }

long LiveBridgedObjects() noexcept { return InterlockedCompareExchange(&g_live, 0, 0); }

}  // namespace lzg
