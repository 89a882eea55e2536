// The client itself, started in a folder of its own with a crafted configuration
// file: it must end normally whatever the file holds, keep what it does not own,
// and never let the decoded password out (files, standard output, debug output).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/config/des_reference.h"
#include "tests/support/client_windows.h"
#include "tests/support/exit_dialog.h"
#include "tests/support/processes.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"
#include "tests/support/trace_faults.h"

namespace {

using testutil::IniValue;
using testutil::SelfPath;
using testutil::TempDir;

struct RunResult {
  bool ended = false;          // ended by itself within the time limit
  DWORD exitCode = 0xFFFFFFFF;
  bool crashed = false;        // an exception nobody handled
  std::string debugOutput;     // everything sent to the debugger, ANSI and UTF-16 alike
  std::string standardOutput;  // standard output and error
};

// The main process of the client shows the game window, which ends only through the exit
// dialog: ask it to close and press the dialog's exit button.
void CloseThroughDialog(DWORD pid) {
  const testutil::ClientWindows w = testutil::FindClientWindows(pid);
  if (w.dialog && IsWindowVisible(w.dialog))
    testutil::ClickOnPanel(testutil::PanelOf(w.dialog), testutil::kExitButton);
  else if (w.game && IsWindowVisible(w.game))
    PostMessageW(w.game, WM_CLOSE, 0, 0);
}

// Runs `exe` as a debuggee so that its debug output is seen, with its standard
// output and error going to a file. A game window it shows is closed through its dialog.
RunResult RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  RunResult r;
  // Standard output and error go into a pipe, read without ever blocking: the engine's sub-processes inherit
  // the write end and may hold it a moment longer than the client, and a pipe leaves no file behind.
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE in = nullptr, out = nullptr;
  if (!CreatePipe(&in, &out, &sa, 1 << 16)) return r;
  SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
  auto drain = [&] {
    DWORD avail = 0;
    while (PeekNamedPipe(in, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
      char buf[4096];
      DWORD got = 0;
      if (!ReadFile(in, buf, avail < sizeof buf ? avail : sizeof buf, &got, nullptr) || got == 0) break;
      r.standardOutput.append(buf, got);
    }
  };
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = out;
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS,
                                      nullptr, workDir.c_str(), &si, &pi);
  if (!started) {
    CloseHandle(out);
    CloseHandle(in);
    return r;
  }
  CloseHandle(out);
  const DWORD start = GetTickCount();
  bool killed = false;
  for (;;) {
    drain();
    DEBUG_EVENT ev{};
    if (!WaitForDebugEvent(&ev, 500)) {
      CloseThroughDialog(pi.dwProcessId);
      if (!killed && GetTickCount() - start > 60000) {
        TerminateProcess(pi.hProcess, 0xDEAD);
        killed = true;
      }
      continue;
    }
    DWORD cont = DBG_CONTINUE;
    bool done = false;
    switch (ev.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (ev.u.CreateProcessInfo.hFile) CloseHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (ev.u.LoadDll.hFile) CloseHandle(ev.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        const OUTPUT_DEBUG_STRING_INFO& info = ev.u.DebugString;
        std::size_t bytes = info.nDebugStringLength * (info.fUnicode ? 2u : 1u);
        std::string text(bytes, '\0');
        SIZE_T got = 0;
        ReadProcessMemory(pi.hProcess, info.lpDebugStringData, text.data(), bytes, &got);
        r.debugOutput.append(text.data(), got);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          cont = DBG_EXCEPTION_NOT_HANDLED;
          if (!ev.u.Exception.dwFirstChance) r.crashed = true;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        r.exitCode = ev.u.ExitProcess.dwExitCode;
        done = true;
        break;
      default:
        break;
    }
    ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, cont);
    if (done) break;
  }
  r.ended = !killed;
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // The engine's sub-processes end with the client (they hold its output pipe too): none may outlive it.
  for (DWORD pid : testutil::ProcessesLeftIn(workDir, 20000)) {
    ADD_FAILURE() << "process " << pid << " outlived the client";
    testutil::Terminate(pid);
  }
  drain();
  CloseHandle(in);
  return r;
}

// A copy of the shipped client in a folder of its own, with the engine (the stand-in) beside it.
class Client : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "tests run with the Simplified Chinese code page";
    ASSERT_TRUE(CopyFileW((testutil::SelfDir() + L"lzgmin.exe").c_str(), dir_.File(L"lzgmin.exe").c_str(), FALSE));
    testutil::CopyTree(testutil::SelfDir() + L"cef", dir_.Dir() + L"cef");
    ASSERT_TRUE(testutil::Exists(dir_.File(L"cef\\libcef.dll")));
    // The engine's trace of every run (sub-processes' too): a run that broke an engine rule fails the test.
    env_.Set(L"STANDIN_TRACE", TraceFile());
  }
  void TearDown() override {
    env_.Restore();
    tracefile::ExpectNoFaults(TraceFile());
  }
  testutil::ScopedEnv env_;
  std::wstring TraceFile() const { return dir_.File(L"trace.txt"); }
  std::wstring Config() const { return dir_.File(L"zeRoVedi.dat"); }
  void WriteConfig(const std::string& bytes) const { testutil::WriteBytes(Config(), bytes); }
  std::string ConfigBytes() const {
    std::string b;
    testutil::ReadBytes(Config(), b);
    return b;
  }
  RunResult Start(const std::wstring& args = L"") {
    RunResult r = RunProgram(dir_.File(L"lzgmin.exe"), args, dir_.Dir());
    EXPECT_TRUE(r.ended) << "the client did not end by itself";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0u);
    return r;
  }
  void ExpectTrace() const { EXPECT_EQ(IniValue(Config(), L"step"), L"GetConfig|GetConfig_02|"); }

  TempDir dir_;
};

// Every file under `dir`, its bytes.
void CollectFiles(const std::wstring& dir, std::vector<std::pair<std::wstring, std::string>>& files) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(dir + name + L"\\", files);
    } else {
      std::string bytes;
      testutil::ReadBytes(dir + name, bytes);
      files.emplace_back(dir + name, bytes);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// The password's forms in code page 936, UTF-16 and UTF-8.
std::vector<std::string> Forms(const std::wstring& secret) {
  return {testutil::ToAnsi(secret), testutil::Utf16Bytes(secret), testutil::ToUtf8(secret)};
}

TEST(Harness, SeesDebugAndStandardOutput) {
  // The harness itself must see what a program prints, or the checks below prove nothing.
  TempDir work;
  RunResult r = RunProgram(SelfPath(), L"--emit-probe", work.Dir());
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.exitCode, 7u);
  EXPECT_NE(r.debugOutput.find("probe-ansi-debug"), std::string::npos);
  EXPECT_NE(r.debugOutput.find(testutil::ToAnsi(L"探针")), std::string::npos);
  EXPECT_NE(r.standardOutput.find("probe-stdout"), std::string::npos);
}

TEST_F(Client, PasswordNeverLeaves) {
  const std::wstring secret = L"Zx9密码Q7";
  const std::wstring uid = L"玩家一号";
  const std::string cipher = ref::EncryptPassword(testutil::ToAnsi(secret), testutil::ToAnsi(uid));
  for (const char* istest : {"0", "1"}) {
    SCOPED_TRACE(istest);
    WriteConfig(testutil::ToAnsi(L"[dump]\r\nuid=" + uid + L"\r\n") + "ip=" + cipher + "\r\nistest=" + istest +
                "\r\ndoUrl2=http://g/\r\n");
    RunResult r = Start();
    ExpectTrace();
    EXPECT_EQ(IniValue(Config(), L"ip"), std::string(istest) == "1" ? std::wstring(cipher.begin(), cipher.end()) : L"");
    std::vector<std::pair<std::wstring, std::string>> files;
    CollectFiles(dir_.Dir(), files);
    ASSERT_GE(files.size(), 2u);
    for (const std::string& form : Forms(secret)) {
      for (const auto& [path, bytes] : files) EXPECT_EQ(bytes.find(form), std::string::npos) << testutil::ToUtf8(path);
      EXPECT_EQ(r.debugOutput.find(form), std::string::npos);
      EXPECT_EQ(r.standardOutput.find(form), std::string::npos);
    }
  }
}

TEST_F(Client, ForeignEntriesAndSectionsStay) {
  WriteConfig(testutil::ToAnsi(
      L"; 启动器写的注释\r\n"
      L"[launcher]\r\nversion=3.2.1\r\nserver=电信一区\r\n"
      L"[dump]\r\nchannel=qq\r\nuid=u1\r\nip=00\r\nlastLogin=2024-06-01 12:00\r\nSizeIndex_0=3\r\n"
      L"[zzz]\r\nz=最后\r\n"));
  Start();
  ExpectTrace();
  const std::string bytes = ConfigBytes();
  EXPECT_NE(bytes.find(testutil::ToAnsi(L"; 启动器写的注释")), std::string::npos);
  EXPECT_EQ(IniValue(Config(), L"version", L"launcher"), L"3.2.1");
  EXPECT_EQ(IniValue(Config(), L"server", L"launcher"), L"电信一区");
  EXPECT_EQ(IniValue(Config(), L"channel"), L"qq");
  EXPECT_EQ(IniValue(Config(), L"lastLogin"), L"2024-06-01 12:00");
  EXPECT_EQ(IniValue(Config(), L"SizeIndex_0"), L"3");
  EXPECT_EQ(IniValue(Config(), L"z", L"zzz"), L"最后");
  EXPECT_EQ(IniValue(Config(), L"uid"), L"");
  EXPECT_EQ(IniValue(Config(), L"ip"), L"");
}

TEST_F(Client, NoFileIsCreatedAsAnsi) {
  Start();
  ExpectTrace();
  EXPECT_EQ(IniValue(Config(), L"uid"), L"");
  EXPECT_EQ(IniValue(Config(), L"ip"), L"");
  EXPECT_FALSE(ConfigBytes().starts_with("\xFF\xFE"));
}

TEST_F(Client, RandomBytes) {
  for (std::uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::string junk;
    std::uint32_t x = seed * 2654435761u;
    for (int i = 0; i < 8192; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      junk.push_back(static_cast<char>(x));
    }
    WriteConfig(junk + "\r\n[keep]\r\nk=v\r\n");
    Start();
    ExpectTrace();
    EXPECT_EQ(IniValue(Config(), L"k", L"keep"), L"v");
  }
}

TEST_F(Client, VeryLongLines) {
  const std::string longValue(200000, 'x');
  const std::string longJunk(100000, '#');
  WriteConfig("[dump]\r\nlong=" + longValue + "\r\nuid=u\r\n" + longJunk + "\r\n[other]\r\nbig=" + longValue +
              "\r\n");
  Start();
  ExpectTrace();
  const std::string bytes = ConfigBytes();
  EXPECT_NE(bytes.find("long=" + longValue), std::string::npos);
  EXPECT_NE(bytes.find("big=" + longValue), std::string::npos);
  EXPECT_EQ(IniValue(Config(), L"uid"), L"");
}

TEST_F(Client, NoDumpSection) {
  WriteConfig("[other]\r\na=1\r\nb=2\r\n");
  Start();
  ExpectTrace();
  EXPECT_EQ(IniValue(Config(), L"a", L"other"), L"1");
  EXPECT_EQ(IniValue(Config(), L"b", L"other"), L"2");
}

TEST_F(Client, Utf16FileStaysUtf16) {
  WriteConfig("\xFF\xFE" + testutil::Utf16Bytes(L"[dump]\r\ntitle_0=标题\r\nuid=用户\r\n[其他]\r\n键=值\r\n"));
  Start();
  ExpectTrace();
  EXPECT_TRUE(ConfigBytes().starts_with("\xFF\xFE"));
  EXPECT_EQ(IniValue(Config(), L"title_0"), L"标题");
  EXPECT_EQ(IniValue(Config(), L"键", L"其他"), L"值");
  EXPECT_EQ(IniValue(Config(), L"uid"), L"");
}

TEST_F(Client, ReadOnlyFile) {
  const std::string original = testutil::ToAnsi(L"[dump]\r\nuid=u\r\nip=00\r\nchannel=渠道\r\n[launcher]\r\nv=1\r\n");
  WriteConfig(original);
  ASSERT_TRUE(SetFileAttributesW(Config().c_str(), FILE_ATTRIBUTE_READONLY));
  Start();
  EXPECT_TRUE(GetFileAttributesW(Config().c_str()) & FILE_ATTRIBUTE_READONLY);
  // Whether the platform lets the writes through or not, nothing of the file is lost.
  EXPECT_EQ(IniValue(Config(), L"channel"), L"渠道");
  EXPECT_EQ(IniValue(Config(), L"v", L"launcher"), L"1");
  const std::string after = ConfigBytes();
  if (after != original) ExpectTrace();
}

TEST_F(Client, FileThatCannotBeWritten) {
  const std::string original = "[dump]\r\nuid=u\r\nip=00\r\nchannel=qq\r\n";
  WriteConfig(original);
  // Held open by another program without sharing: every access of the client fails.
  HANDLE lock = CreateFileW(Config().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Start();
  CloseHandle(lock);
  EXPECT_EQ(ConfigBytes(), original);
}

TEST_F(Client, PlaceOfTheFileCannotBeWritten) {
  // The file's name is taken by a folder, so it can be neither read nor created.
  ASSERT_TRUE(CreateDirectoryW(Config().c_str(), nullptr));
  Start();
  EXPECT_TRUE(GetFileAttributesW(Config().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

// The engine starts sub-processes of the client whenever it needs one: they must never touch the file the
// launcher wrote (its credentials are for the next start) and end with the code their role ended with.
TEST_F(Client, EngineSubProcessesLeaveTheConfigurationAloneAndEndWithTheirRolesCode) {
  const std::string full =
      "[dump]\r\nuid=player01\r\nip=" + ref::EncryptPassword("secret-pw", "player01") +
      "\r\nistest=0\r\nisDecodePwd=0\r\ndoUrl2=http://game.example/home\r\nWidth_0=1000\r\nHeight_0=720\r\n"
      "SizeIndex_0=1\r\ntitle_0=T\r\nstep=launcher\r\nistui=1\r\n[other]\r\nx=1\r\n";
  const struct {
    const wchar_t* args;
    const wchar_t* code;
  } cases[] = {
      {L"--type=renderer --lang=zh-CN", L""},
      {L"--type=gpu-process --standin-parent=0", L"3"},
      {L"--type=utility --utility-sub-type=network.mojom.NetworkService", L"17"},
      // The engine's crash handler, as the engine starts it when crash dumps are on.
      {L"--type=crashpad-handler /prefetch:7 --monitor-self-annotation=ptype=crashpad-handler", L"5"},
      {L"\"\" --TYPE=Renderer", L"0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testutil::ToUtf8(c.args));
    WriteConfig(full);
    RunResult r;
    {
      const testutil::ScopedEnv exit_code{
          {L"STANDIN_SUBPROCESS_EXIT_CODE", *c.code ? std::optional<std::wstring>(c.code) : std::nullopt}};
      r = RunProgram(dir_.File(L"lzgmin.exe"), c.args, dir_.Dir());
    }
    EXPECT_TRUE(r.ended);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, static_cast<DWORD>(_wtoi(c.code)));
    EXPECT_EQ(ConfigBytes(), full) << "a sub-process rewrote the configuration";
    EXPECT_EQ(r.debugOutput.find("secret-pw"), std::string::npos);
  }
  // No file appears either where there was none.
  DeleteFileW(Config().c_str());
  RunResult r = RunProgram(dir_.File(L"lzgmin.exe"), L"--type=renderer", dir_.Dir());
  EXPECT_TRUE(r.ended);
  EXPECT_FALSE(testutil::Exists(Config()));
}

TEST_F(Client, MainProcessWritesTheTraceAndEmptiesTheCredentials) {
  WriteConfig("[dump]\r\nuid=u\r\nip=00\r\nistest=2\r\n");
  Start(L"\"\" http://popup/?a=1");
  ExpectTrace();
  EXPECT_EQ(IniValue(Config(), L"uid"), L"");
  EXPECT_EQ(IniValue(Config(), L"ip"), L"");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--emit-probe") {
    OutputDebugStringA("probe-ansi-debug");
    OutputDebugStringW(L"探针");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "probe-stdout", 12, &written, nullptr);
    return 7;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
