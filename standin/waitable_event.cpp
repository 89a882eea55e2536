// The stand-in's waitable event, on a Windows event.
#include "standin/objects.h"

namespace standin {

WaitableEvent::WaitableEvent(bool automatic_reset, bool signaled)
    : event_(CreateEventW(nullptr, automatic_reset ? FALSE : TRUE, signaled ? TRUE : FALSE, nullptr)),
      automatic_(automatic_reset) {
  STANDIN_MEMBERS_WAITABLE_EVENT(STANDIN_NEUTRAL)
  LZG_BIND(reset, Reset);
  LZG_BIND(signal, Signal);
  LZG_BIND(is_signaled, IsSignaled);
  LZG_BIND(wait, Wait);
  LZG_BIND(timed_wait, TimedWait);
}
WaitableEvent::~WaitableEvent() { CloseHandle(event_); }
void WaitableEvent::Reset() { ResetEvent(event_); }
void WaitableEvent::Signal() { SetEvent(event_); }
int WaitableEvent::IsSignaled() {
  // Like the engine: testing an automatic-reset event consumes its signal.
  bool set = WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
  if (set && !automatic_) return 1;
  return set;
}
void WaitableEvent::Wait() { WaitForSingleObject(event_, INFINITE); }
int WaitableEvent::TimedWait(int64 max_ms) {
  DWORD ms = max_ms < 0 ? 0 : max_ms >= 0x7FFFFFFF ? 0x7FFFFFFE : static_cast<DWORD>(max_ms);
  return WaitForSingleObject(event_, ms) == WAIT_OBJECT_0;
}

}  // namespace standin
