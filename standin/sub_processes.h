// The engine's sub-processes as its browser process keeps them. Each one lasts as long as its work: a renderer
// while a page of its site is shown in it, a utility process for its one job, the GPU process until another
// replaces it or the engine shuts down. One thread watches them all, as the engine's process launcher does with
// its object watchers; a sub-process that ends with a non-zero code while the engine runs is noticed.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// The sub-process's side of an end the browser process asks for: its switch and its event's name.
constexpr char kChildSwitch[] = "standin-child";
std::wstring EndEventName(DWORD browser_pid, int child);

// How long a utility process's job takes before it ends by itself.
constexpr DWORD kUtilityJobMs = 300;

// Starts a sub-process of `type` (renderer, gpu-process, utility) on the launcher thread; any thread. With `wait`
// the caller waits until it has started: a page commits only once its renderer exists. Its number, or 0 when the
// engine is not running. A new GPU process ends the one before.
int LaunchSubprocess(const std::string& type, bool wait = false);

// The work of sub-process `child` is over: it ends by itself with code 0, at once or as soon as it has started.
// 0, unknown or already ended: nothing.
void EndSubprocess(int child);

// Sub-process `child` dies now with `code`, a crash the caller reports itself (the watcher does not again).
void CrashSubprocess(int child, DWORD code);

// Shutdown: every sub-process is told to end, and the watching stops.
void StopSubprocesses();

// How many sub-processes are running now (started and not yet seen to end).
int RunningSubprocesses();

}  // namespace standin
