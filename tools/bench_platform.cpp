// The platform's own costs, with nothing of the client in the process: what the system (here Wine, and the
// emulator under it) charges for loading the display driver, a first and a second top-level window, a first
// showing, a resize with a move, and one more thread in the working set. These are the floor under the start-up
// benchmark's figures: a host pays them wherever in its start it makes its window.
// Runs itself N times (5 by default), each run in a fresh process, and prints the medians.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/bench_median.h"

namespace {

enum Measure { kDriver, kFirstWindow, kSecondWindow, kShow, kResizeMove, kThreadKiB, kCount };
const char* const kNames[kCount] = {
    "display driver (first screen metrics call), ms", "first top-level window, ms", "second top-level window, ms",
    "first showing with its paint, ms",               "resize and move of a shown window, ms",
    "one more thread, peak working set KiB"};

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / f.QuadPart;
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG m;
  do {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

SIZE_T PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize;
}

DWORD WINAPI ShortThread(void*) {
  Sleep(200);
  return 0;
}

// One fresh process: every figure in the order a host meets them.
void MeasureOnce(double (&out)[kCount]) {
  double t = NowMs();
  GetSystemMetrics(SM_CXSCREEN);
  out[kDriver] = NowMs() - t;

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"LzgPlatformBench";
  RegisterClassW(&wc);
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  t = NowMs();
  HWND first = CreateWindowW(wc.lpszClassName, L"first", style, 100, 100, 1350, 789, nullptr, nullptr, nullptr, nullptr);
  out[kFirstWindow] = NowMs() - t;
  t = NowMs();
  HWND second = CreateWindowW(wc.lpszClassName, L"second", style, 0, 0, 600, 330, nullptr, nullptr, nullptr, nullptr);
  out[kSecondWindow] = NowMs() - t;
  t = NowMs();
  ShowWindow(first, SW_SHOW);
  UpdateWindow(first);
  out[kShow] = NowMs() - t;
  Pump(300);
  t = NowMs();
  SetWindowPos(first, nullptr, 200, 80, 1350, 929, SWP_NOZORDER | SWP_NOACTIVATE);
  out[kResizeMove] = NowMs() - t;
  Pump(100);

  // A thread beside the ones already running: the cookie initialiser's kind of cost.
  HANDLE a = CreateThread(nullptr, 0, &ShortThread, nullptr, 0, nullptr);
  HANDLE b = CreateThread(nullptr, 0, &ShortThread, nullptr, 0, nullptr);
  HANDLE both[] = {a, b};
  WaitForMultipleObjects(2, both, TRUE, INFINITE);
  const SIZE_T withTwo = PeakWorkingSet();
  HANDLE c = CreateThread(nullptr, 0, &ShortThread, nullptr, 0, nullptr);
  HANDLE d = CreateThread(nullptr, 0, &ShortThread, nullptr, 0, nullptr);
  HANDLE e = CreateThread(nullptr, 0, &ShortThread, nullptr, 0, nullptr);
  HANDLE three[] = {c, d, e};
  WaitForMultipleObjects(3, three, TRUE, INFINITE);
  // The first two pay for the process going multi-threaded; the third of three together is one more thread.
  const SIZE_T withThree = PeakWorkingSet();
  out[kThreadKiB] = withThree > withTwo ? (withThree - withTwo) / 1024.0 : 0;
  for (HANDLE h : {a, b, c, d, e}) CloseHandle(h);
  DestroyWindow(second);
  DestroyWindow(first);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--once") {
    double out[kCount] = {};
    MeasureOnce(out);
    std::ofstream f(std::filesystem::path(argv[2]), std::ios::binary);
    for (double v : out) f << v << '\n';
    return f ? 0 : 1;
  }
  int runs = 5;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring result = std::wstring(dir) + L"lzg-bench-platform-" + std::to_wstring(GetCurrentProcessId()) +
                              L".txt";
  std::vector<double> values[kCount];
  for (int run = 0; run < runs; ++run) {
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --once \"" + result + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      std::fprintf(stderr, "cannot start a run: error %lu\n", GetLastError());
      return 1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::ifstream f(std::filesystem::path(result), std::ios::binary);
    double v;
    for (int i = 0; i < kCount && code == 0 && f >> v; ++i) values[i].push_back(v);
  }
  DeleteFileW(result.c_str());
  if (values[0].empty()) {
    std::fprintf(stderr, "no run finished\n");
    return 1;
  }
  std::printf("platform costs, medians of %d runs (a bare Win32 program)\n", runs);
  for (int i = 0; i < kCount; ++i) std::printf("%-48s %10.1f\n", kNames[i], Median(values[i]));
  return 0;
}
