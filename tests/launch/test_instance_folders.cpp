// The instance's slot and the removal of old caches on the real system: slots held by this process stand for
// other running instances (the named objects are the same), and the caches are real folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "engine/engine_app.h"
#include "launch/engine_setup.h"
#include "launch/instance_slot.h"
#include "launch/old_caches.h"
#include "launch/profile_folders.h"
#include "tests/support/log_lines.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"
#include "tests/support/wait.h"

namespace {

using lzg::InstanceSlot;

SYSTEMTIME Month(WORD year, WORD month) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = 28;
  return t;
}

const SYSTEMTIME kDecember = Month(2024, 12);
const SYSTEMTIME kNovember = Month(2024, 11);

// TEMP and APPDATA of the profile folders (and of the log) in a folder of the test's own.
class InstanceFolders : public testing::Test {
 protected:
  InstanceFolders() {
    CreateDirectoryW(temp_.c_str(), nullptr);
    CreateDirectoryW(appdata_.c_str(), nullptr);
    env_.Set(L"TEMP", temp_);
    env_.Set(L"APPDATA", appdata_);
  }

  testutil::TempDir dir_;
  const std::wstring temp_ = dir_ / L"Temp";
  const std::wstring appdata_ = dir_ / L"Roaming";
  testutil::ScopedEnv env_;
};

using InstanceSlots = InstanceFolders;

TEST_F(InstanceSlots, EachRunningInstanceTakesTheLowestFreeSlot) {
  struct Expected {
    int number;
    const wchar_t* suffix;
  };
  auto expect_slot = [&](const InstanceSlot& slot, int profile, const Expected& e) {
    SCOPED_TRACE(testing::Message() << "profile " << profile << ", slot " << e.number);
    const std::wstring name = profile ? L"/lzgmin3game" : L"/lzgmin";
    EXPECT_EQ(slot.number(), e.number);
    EXPECT_EQ(slot.folders().cache, temp_ + name + L"/cache2412" + e.suffix);
    EXPECT_EQ(slot.folders().cookies, appdata_ + name + L"/cookies" + e.suffix);
    EXPECT_EQ(slot.folders().user_data, appdata_ + name + L"/UserData" + e.suffix);
  };
  const InstanceSlot first = InstanceSlot::Claim(0, kDecember);
  std::optional<InstanceSlot> second(InstanceSlot::Claim(0, kDecember));
  const InstanceSlot third = InstanceSlot::Claim(0, kDecember);
  expect_slot(first, 0, {1, L""});
  expect_slot(*second, 0, {2, L"-2"});
  expect_slot(third, 0, {3, L"-3"});
  // The other profile counts its own instances.
  const InstanceSlot popup = InstanceSlot::Claim(1, kDecember);
  expect_slot(popup, 1, {1, L""});

  // An instance that ends frees its slot for the next one; then the numbers go on.
  second.reset();
  const InstanceSlot again = InstanceSlot::Claim(0, kDecember);
  expect_slot(again, 0, {2, L"-2"});
  const InstanceSlot fourth = InstanceSlot::Claim(0, kDecember);
  expect_slot(fourth, 0, {4, L"-4"});
}

TEST_F(InstanceSlots, ASlotIsFreeOnlyWhenNoneOfItsFoldersIsHeld) {
  {
    // An instance started last month still runs: its cache is another, but its cookies and user data are the
    // first slot's.
    const InstanceSlot november = InstanceSlot::Claim(0, kNovember);
    EXPECT_EQ(november.folders().cache, temp_ + L"/lzgmin/cache2411");
    const InstanceSlot december = InstanceSlot::Claim(0, kDecember);
    EXPECT_EQ(december.number(), 2);
    EXPECT_EQ(december.folders().cache, temp_ + L"/lzgmin/cache2412-2");
    EXPECT_EQ(december.folders().cookies, appdata_ + L"/lzgmin/cookies-2");
  }
  // Instances whose TEMP or APPDATA differ from a running one's: the folders they still share decide.
  const InstanceSlot running = InstanceSlot::Claim(0, kDecember);
  ASSERT_EQ(running.number(), 1);
  const std::wstring other = dir_ / L"Other";
  CreateDirectoryW(other.c_str(), nullptr);
  env_.Set(L"TEMP", other);
  EXPECT_EQ(InstanceSlot::Claim(0, kDecember).number(), 2) << "the same cookies";
  env_.Set(L"TEMP", temp_);
  env_.Set(L"APPDATA", other);
  EXPECT_EQ(InstanceSlot::Claim(0, kDecember).number(), 2) << "the same cache";
  env_.Set(L"TEMP", other);
  EXPECT_EQ(InstanceSlot::Claim(0, kDecember).number(), 1) << "nothing shared";
}

TEST_F(InstanceSlots, HeldFoldersAsWindowsComparesThem) {
  std::optional<InstanceSlot> slot(InstanceSlot::Claim(0, kDecember));
  const std::wstring cache = *slot->folders().cache;  // "<TEMP>/lzgmin/cache2412"
  std::wstring spelled = cache;
  std::replace(spelled.begin(), spelled.end(), L'/', L'\\');
  std::wstring upper = spelled;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  for (const std::wstring& same : {cache, spelled, upper, spelled + L"\\", cache + L"/",
                                   temp_ + L"\\lzgmin\\.\\cache2412", *slot->folders().cookies,
                                   *slot->folders().user_data}) {
    EXPECT_TRUE(lzg::FolderHeld(same)) << testutil::ToUtf8(same);
  }
  for (const std::wstring& other : {cache + L"-2", temp_ + L"\\lzgmin\\cache2411", temp_ + L"\\lzgmin"})
    EXPECT_FALSE(lzg::FolderHeld(other)) << testutil::ToUtf8(other);
  slot.reset();
  EXPECT_FALSE(lzg::FolderHeld(cache));
}

TEST_F(InstanceSlots, TheSlotsFoldersReachTheEngine) {
  const InstanceSlot first = InstanceSlot::Claim(1, kDecember);
  const InstanceSlot second = InstanceSlot::Claim(1, kDecember);
  lzg::EngineApp app;
  lzg::ConfigureEngineApp(app, second.folders());
  EXPECT_EQ(app.Cache(), temp_ + L"/lzgmin3game/cache2412-2");
  EXPECT_EQ(app.Cookies(), appdata_ + L"/lzgmin3game/cookies-2");
  EXPECT_EQ(app.UserDataPath(), appdata_ + L"/lzgmin3game/UserData-2");
}

// ---- old caches ----------------------------------------------------------------------------------------

void MakeFolder(const std::wstring& path, std::initializer_list<const wchar_t*> files = {L"data_0"}) {
  CreateDirectoryW(path.c_str(), nullptr);
  for (const wchar_t* file : files) testutil::WriteBytes(path + L"\\" + file, "cache entry");
}

// A link to a folder, as a player's disk may hold one where a cache was: a junction where the system makes them;
// under Wine, which makes none, a Unix symbolic link, which Wine shows as a folder link
// (FILE_ATTRIBUTE_REPARSE_POINT) but cannot remove while its target holds anything.
class FolderLink {
 public:
  // `unix_target` is the target relative to `parent`, with forward slashes.
  FolderLink(const std::wstring& parent, const std::wstring& name, const std::wstring& target,
             const std::wstring& unix_target)
      : parent_(parent), name_(name) {
    junction_ = MakeJunction(parent + L"\\" + name, target);
    if (!junction_) {
      // Wine hands the Unix program over without waiting for it: the link is there when it shows.
      RunUnix(L"Z:\\bin\\ln", L"ln -s " + unix_target + L" " + name);
      testutil::WaitUntil([&] { return IsLink(); }, 10000);
    }
  }
  ~FolderLink() {
    if (!IsLink()) return;
    if (junction_) {
      RemoveDirectoryW(Path().c_str());
    } else {
      RunUnix(L"Z:\\bin\\rm", L"rm -f " + name_);
      testutil::WaitUntil([&] { return !IsLink(); }, 10000);
    }
  }
  FolderLink(const FolderLink&) = delete;
  FolderLink& operator=(const FolderLink&) = delete;

  bool junction() const { return junction_; }
  std::wstring Path() const { return parent_ + L"\\" + name_; }
  // The link is there (as a link: its target's own attributes do not count).
  bool IsLink() const {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((parent_ + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool link = false;
    do {
      if (name_ == data.cFileName) link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return link;
  }

 private:
  static bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
    HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    bool made = false;
    if (h != INVALID_HANDLE_VALUE) {
      // The mount-point reparse buffer: the substitute name ("\??\C:\...") and the print name, each ending in 0.
      const std::wstring substitute = L"\\??\\" + target;
      std::vector<unsigned char> buffer(8 + 8 + (substitute.size() + target.size() + 2) * sizeof(wchar_t));
      auto put16 = [&](size_t at, size_t value) {
        const WORD v = static_cast<WORD>(value);
        std::memcpy(&buffer[at], &v, 2);
      };
      const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
      std::memcpy(&buffer[0], &tag, 4);
      put16(4, buffer.size() - 8);
      put16(8, 0);
      put16(10, substitute.size() * sizeof(wchar_t));
      put16(12, (substitute.size() + 1) * sizeof(wchar_t));
      put16(14, target.size() * sizeof(wchar_t));
      std::memcpy(&buffer[16], substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
      std::memcpy(&buffer[16 + (substitute.size() + 1) * sizeof(wchar_t)], target.c_str(),
                  (target.size() + 1) * sizeof(wchar_t));
      DWORD returned = 0;
      made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                             &returned, nullptr);
      CloseHandle(h);
    }
    if (!made) RemoveDirectoryW(link.c_str());
    return made;
  }

  // A Unix program through Wine, in `parent_`.
  void RunUnix(const std::wstring& program, std::wstring command_line) const {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, parent_.c_str(), &si,
                        &pi))
      return;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }

  std::wstring parent_, name_;
  bool junction_ = false;
};

std::set<std::wstring> AsSet(const std::vector<std::wstring>& names) { return {names.begin(), names.end()}; }

// The text column of each line of this test's log.
std::vector<std::string> LogTexts(const std::wstring& appdata) {
  std::string bytes;
  testutil::ReadBytes(appdata + L"\\lzgmin\\logs\\lzgmin.log", bytes);
  std::vector<std::string> texts;
  for (const std::string& line : logfile::Lines(bytes)) texts.push_back(logfile::Columns(line).back());
  return texts;
}

using OldCaches = InstanceFolders;

TEST_F(OldCaches, EarlierMonthsGoAndEverythingElseStays) {
  const std::wstring profile = *lzg::ProfileTempFolder(0);  // "<TEMP>/lzgmin", as the launch has it
  const std::wstring folder = temp_ + L"\\lzgmin";
  const std::wstring keep = dir_ / L"Keep";  // targets of links, outside the profile's folder
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  MakeFolder(keep);
  MakeFolder(keep + L"\\target", {L"precious", L"also precious"});
  MakeFolder(keep + L"\\nested-target", {L"precious"});

  // Two instances started last month still run: their caches stay.
  const InstanceSlot running = InstanceSlot::Claim(0, kNovember);
  const InstanceSlot running_second = InstanceSlot::Claim(0, kNovember);
  MakeFolder(folder + L"\\cache2411");
  MakeFolder(folder + L"\\cache2411-2");
  // Old caches of nobody: a deep one with a read-only file, an empty one, other slots and years.
  MakeFolder(folder + L"\\cache2411-3", {L"index", L"data_1"});
  MakeFolder(folder + L"\\cache2411-3\\Cache");
  MakeFolder(folder + L"\\cache2411-3\\Cache\\index-dir", {L"the-real-index"});
  MakeFolder(folder + L"\\cache2411-3\\Code Cache");
  MakeFolder(folder + L"\\cache2411-3\\Code Cache\\js", {L"f_0001"});
  ASSERT_TRUE(SetFileAttributesW((folder + L"\\cache2411-3\\Cache\\index-dir\\the-real-index").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  MakeFolder(folder + L"\\cache2410");
  MakeFolder(folder + L"\\cache2410-2");
  MakeFolder(folder + L"\\cache1901-17", {});
  // This month's, of slots that run or not.
  MakeFolder(folder + L"\\cache2412");
  MakeFolder(folder + L"\\cache2412-5");
  // Look-alikes, a file named like a cache, and the profile's other folders.
  const std::vector<std::wstring> look_alikes = {L"cachefoo", L"cache241",  L"cache24123", L"cache2412x",
                                                 L"cache2412-", L"Cache2406", L"cookies",   L"UserData-2"};
  for (const std::wstring& name : look_alikes) MakeFolder(folder + L"\\" + name);
  testutil::WriteBytes(folder + L"\\cache2407", "a file, not a cache");
  // An old cache that is a link: the link goes (where the system can remove it), never what it points to.
  const FolderLink link(folder, L"cache2409", keep + L"\\target", L"../../Keep/target");
  ASSERT_TRUE(link.IsLink());
  // An old cache holding a link.
  MakeFolder(folder + L"\\cache2405", {L"data_0"});
  const FolderLink nested(folder + L"\\cache2405", L"link", keep + L"\\nested-target", L"../../../Keep/nested-target");
  ASSERT_TRUE(nested.IsLink());
  // An old cache with a file held open (a scanner, another program): it stays for a later start.
  MakeFolder(folder + L"\\cache2408", {L"held", L"free"});
  HANDLE held = CreateFileW((folder + L"\\cache2408\\held").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const lzg::OldCacheSweep sweep = lzg::RemoveOldCaches(profile, L"2412");
  CloseHandle(held);

  std::set<std::wstring> removed = {L"cache2411-3", L"cache2410", L"cache2410-2", L"cache1901-17"};
  std::set<std::wstring> left = {L"cache2408"};
  // Wine cannot remove a link whose target holds anything: there the links stay, and their caches with them.
  (link.junction() ? removed : left).insert(L"cache2409");
  (nested.junction() ? removed : left).insert(L"cache2405");
  EXPECT_EQ(AsSet(sweep.removed), removed);
  EXPECT_EQ(AsSet(sweep.left), left);
  for (const std::wstring& name : removed)
    EXPECT_FALSE(testutil::Exists(folder + L"\\" + name)) << testutil::ToUtf8(name);
  for (const wchar_t* name : {L"cache2411", L"cache2411-2", L"cache2412", L"cache2412-5"})
    EXPECT_TRUE(testutil::Exists(folder + L"\\" + name + L"\\data_0")) << testutil::ToUtf8(name);
  for (const std::wstring& name : look_alikes)
    EXPECT_TRUE(testutil::Exists(folder + L"\\" + name + L"\\data_0")) << testutil::ToUtf8(name);
  EXPECT_TRUE(testutil::Exists(folder + L"\\cache2407"));
  // The links' targets were never entered.
  EXPECT_TRUE(testutil::Exists(keep + L"\\target\\precious"));
  EXPECT_TRUE(testutil::Exists(keep + L"\\target\\also precious"));
  EXPECT_TRUE(testutil::Exists(keep + L"\\nested-target\\precious"));
  EXPECT_EQ(link.IsLink(), !link.junction());
  EXPECT_EQ(nested.IsLink(), !nested.junction());
  // The held file and its folder stay.
  EXPECT_TRUE(testutil::Exists(folder + L"\\cache2408\\held"));

  // One line per folder removed or left, naming it without the player's folders.
  const std::vector<std::string> texts = LogTexts(appdata_);
  for (const std::wstring& name : removed) {
    const std::string line = "Old cache removed: lzgmin\\" + testutil::ToUtf8(name);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), line), 1) << line;
  }
  for (const std::wstring& name : left) {
    const std::string line = "Old cache not removed completely, left for a later start: lzgmin\\" +
                             testutil::ToUtf8(name);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), line), 1) << line;
  }
  EXPECT_EQ(texts.size(), removed.size() + left.size());

  // A later start finds the folder free and removes it.
  const lzg::OldCacheSweep later = lzg::RemoveOldCaches(profile, L"2412");
  EXPECT_EQ(AsSet(later.removed).count(L"cache2408"), 1u);
  EXPECT_FALSE(testutil::Exists(folder + L"\\cache2408"));
}

TEST_F(OldCaches, RemovedOnAThreadOfTheirOwnOnePassAtATime) {
  lzg::log::SetProcess(0, L"main");
  const std::wstring profile = *lzg::ProfileTempFolder(1);
  const std::wstring folder = temp_ + L"\\lzgmin3game";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  MakeFolder(folder + L"\\cache2311");
  MakeFolder(folder + L"\\cache2310-4");

  // Another instance's pass is under way over the same folder: this one leaves it to that one.
  HANDLE other_pass = CreateMutexW(nullptr, TRUE, lzg::FolderObjectName(L"sweep", folder).c_str());
  ASSERT_NE(other_pass, nullptr);
  std::optional<lzg::OldCacheSweep> during;
  std::thread([&] { during = lzg::RemoveOldCaches(profile, L"2412"); }).join();
  ReleaseMutex(other_pass);
  CloseHandle(other_pass);
  ASSERT_TRUE(during);
  EXPECT_TRUE(during->removed.empty());
  EXPECT_TRUE(testutil::Exists(folder + L"\\cache2311\\data_0"));

  // The start returns at once; the thread does the work and writes its lines as a thread other than the main one.
  ASSERT_TRUE(lzg::StartRemovingOldCaches(profile, L"2412"));
  EXPECT_TRUE(testutil::WaitUntil(
      [&] { return !testutil::Exists(folder + L"\\cache2311") && !testutil::Exists(folder + L"\\cache2310-4"); },
      20000));
  std::string bytes;
  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        testutil::ReadBytes(appdata_ + L"\\lzgmin\\logs\\lzgmin.log", bytes);
        return logfile::Lines(bytes).size() == 2;
      },
      10000));
  for (const std::string& line : logfile::Lines(bytes)) {
    const std::vector<std::string> columns = logfile::Columns(line);
    ASSERT_EQ(columns.size(), 6u) << line;
    EXPECT_EQ(columns[4], "other") << line;
    EXPECT_EQ(columns[5].rfind("Old cache removed: lzgmin3game\\cache23", 0), 0u) << line;
  }
}

}  // namespace
