#include "base/threads.h"

#include <atomic>

namespace lzg {

namespace {

std::atomic<DWORD> g_main{0};
std::atomic<DWORD> g_engineUi{0};

}  // namespace

namespace threads {

void SetMain() noexcept { g_main = GetCurrentThreadId(); }
DWORD Main() noexcept { return g_main.load(); }
void SetEngineUi(DWORD threadId) noexcept { g_engineUi = threadId; }
DWORD EngineUi() noexcept { return g_engineUi.load(); }

}  // namespace threads

}  // namespace lzg
