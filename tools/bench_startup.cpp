// Start-up benchmark: the client against a minimal host of the same engine.
// Prints medians over several runs: time from process start to the home
// address's load_url, the main process's peak working set, and the time an
// engine sub-process spends before cef_execute_process. Times come from the
// engine's trace (milliseconds since each process started).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const wchar_t kHome[] = L"http://bench.example/home";

struct Sample {
  double loadUrlMs = -1;
  double peakWorkingSetMiB = -1;
  double subprocessMs = -1;
};

struct TraceLine {
  double ms = 0;
  DWORD pid = 0;
  std::string event;
  std::string details;
};

std::vector<TraceLine> ReadTrace(const fs::path& file) {
  std::vector<TraceLine> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    TraceLine t;
    std::string ms, pid;
    if (!std::getline(s, ms, '\t') || !std::getline(s, pid, '\t') || !std::getline(s, t.event, '\t')) continue;
    std::getline(s, t.details);
    t.ms = std::atof(ms.c_str());
    t.pid = static_cast<DWORD>(std::strtoul(pid.c_str(), nullptr, 10));
    lines.push_back(t);
  }
  return lines;
}

std::string Field(const std::string& details, const std::string& key) {
  std::istringstream s(details);
  std::string item;
  while (s >> item)
    if (item.rfind(key + "=", 0) == 0) return item.substr(key.size() + 1);
  return {};
}

double Median(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Sample RunOnce(const fs::path& dir, const std::wstring& exe, const std::wstring& args, int run) {
  Sample sample;
  fs::path trace = dir / (L"trace-" + fs::path(exe).stem().wstring() + L"-" + std::to_wstring(run) + L".txt");
  fs::remove(trace);
  SetEnvironmentVariableW(L"STANDIN_TRACE", trace.wstring().c_str());
  fs::create_directories(dir / L"AppData");
  SetEnvironmentVariableW(L"APPDATA", (dir / L"AppData").wstring().c_str());
  std::wstring cmd = L"\"" + (dir / exe).wstring() + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.wstring().c_str(), &si, &pi)) {
    std::fprintf(stderr, "cannot start %ls (%lu)\n", exe.c_str(), GetLastError());
    return sample;
  }
  std::string home = fs::path(kHome).string();
  std::vector<DWORD> children;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 30000) {
    bool loaded = false;
    for (const auto& t : ReadTrace(trace)) {
      if (t.pid == pi.dwProcessId && t.event == "load_url" && Field(t.details, "url") == home) {
        sample.loadUrlMs = t.ms;
        loaded = true;
      }
      if (t.event == "subprocess_launch") {
        DWORD child = static_cast<DWORD>(std::strtoul(Field(t.details, "child").c_str(), nullptr, 10));
        if (child && std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
      }
      // A sub-process's execute_process line is written when its role ends; its
      // subprocess_start line is the moment it entered cef_execute_process.
      if (t.event == "subprocess_start" && t.pid != pi.dwProcessId && sample.subprocessMs < 0)
        sample.subprocessMs = t.ms;
    }
    if (loaded && sample.subprocessMs >= 0) break;
    if (WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) break;
  }
  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  if (GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc)) sample.peakWorkingSetMiB = pmc.PeakWorkingSetSize / 1048576.0;
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  // The engine's sub-processes end with their browser process; make sure of it.
  for (DWORD child : children) {
    if (HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, child)) {
      if (WaitForSingleObject(h, 5000) != WAIT_OBJECT_0) TerminateProcess(h, 1);
      CloseHandle(h);
    }
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return sample;
}

// File by file: copying a whole directory onto an existing one fails on this runtime.
void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / fs::relative(entry.path(), from);
    if (entry.is_directory())
      fs::create_directories(target);
    else
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 7;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::path bin = fs::path(self).parent_path();
  fs::path dir = bin.parent_path() / L"bench";
  fs::remove_all(dir);
  CopyTree(bin / L"cef", dir / L"cef");
  fs::copy_file(bin / L"lzgmin.exe", dir / L"lzgmin.exe", fs::copy_options::overwrite_existing);
  fs::copy_file(bin / L"minimal_host.exe", dir / L"minimal_host.exe", fs::copy_options::overwrite_existing);
  {
    std::ofstream cfg(dir / L"zeRoVedi.dat", std::ios::binary);
    cfg << "[dump]\r\ndoUrl2=http://bench.example/home\r\nistest=1\r\nSkinName=\r\n";
  }

  std::vector<double> clientLoad, clientWs, clientSub, hostLoad, hostWs, hostSub;
  for (int run = 0; run < runs; ++run) {
    Sample c = RunOnce(dir, L"lzgmin.exe", L"", run);
    Sample h = RunOnce(dir, L"minimal_host.exe", std::wstring(L"--home=") + kHome, run);
    clientLoad.push_back(c.loadUrlMs);
    clientWs.push_back(c.peakWorkingSetMiB);
    clientSub.push_back(c.subprocessMs);
    hostLoad.push_back(h.loadUrlMs);
    hostWs.push_back(h.peakWorkingSetMiB);
    hostSub.push_back(h.subprocessMs);
  }
  std::printf("start-up benchmark, medians of %d runs (engine stand-in)\n", runs);
  std::printf("%-44s %12s %14s\n", "", "lzgmin.exe", "minimal host");
  std::printf("%-44s %12.1f %14.1f\n", "process start to home load_url (ms)", Median(clientLoad), Median(hostLoad));
  std::printf("%-44s %12.1f %14.1f\n", "main process peak working set (MiB)", Median(clientWs), Median(hostWs));
  std::printf("%-44s %12.1f %14.1f\n", "sub-process start to cef_execute_process (ms)", Median(clientSub),
              Median(hostSub));
  return Median(clientLoad) < 0 || Median(hostLoad) < 0 ? 1 : 0;
}
