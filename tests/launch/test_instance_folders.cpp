// The instance's slot on the real system: slots held by this process stand for other running instances (the named
// objects are the same).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "engine/engine_app.h"
#include "launch/engine_setup.h"
#include "launch/instance_slot.h"
#include "launch/profile_folders.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"

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

}  // namespace
