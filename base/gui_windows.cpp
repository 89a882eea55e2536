#include "base/gui_windows.h"

#include <atomic>

namespace lzg::gui_windows {
namespace {
// Atomic although only the main thread counts: a stray window made elsewhere must not tear the count.
std::atomic<int> g_alive{0};
}  // namespace

void Created() noexcept { g_alive.fetch_add(1, std::memory_order_relaxed); }
void Destroyed() noexcept { g_alive.fetch_sub(1, std::memory_order_relaxed); }
int Alive() noexcept { return g_alive.load(std::memory_order_relaxed); }

}  // namespace lzg::gui_windows
