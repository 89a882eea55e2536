// The folders' names per instance slot, and which entries beside this month's cache are old caches: the names
// the client makes qualify when they are of another month and nobody holds them; look-alikes never do.
#include <gtest/gtest.h>

#include <string>

#include "launch/cache_folder_rules.h"

namespace {

TEST(CacheFolderRules, SlotSuffix) {
  struct Case {
    int slot;
    const wchar_t* suffix;
  } cases[] = {{1, L""}, {2, L"-2"}, {3, L"-3"}, {10, L"-10"}, {123, L"-123"}, {0, L""}, {-4, L""}};
  for (const Case& c : cases) EXPECT_EQ(lzg::SlotSuffix(c.slot), c.suffix) << c.slot;
}

TEST(CacheFolderRules, MonthOfACacheFolderName) {
  struct Case {
    const wchar_t* name;
    const wchar_t* month;  // empty: not a name the client gives a cache
  } cases[] = {
      {L"cache2411", L"2411"},
      {L"cache2411-2", L"2411"},
      {L"cache0001-17", L"0001"},
      {L"cache9912-1", L"9912"},
      {L"cache", L""},
      {L"cachefoo", L""},
      {L"cache241", L""},
      {L"cache24123", L""},
      {L"cache2412x", L""},
      {L"cache2412-", L""},
      {L"cache2412-x", L""},
      {L"cache2412-2x", L""},
      {L"cache2412--2", L""},
      {L"cache2412-+2", L""},
      {L"cache2412-2-3", L""},
      {L"cache2412_2", L""},
      {L"cache2412.old", L""},
      {L"Cache2412", L""},
      {L"CACHE2412", L""},
      {L"xcache2412", L""},
      {L" cache2412", L""},
      {L"cache2412 ", L""},
      {L"cache 2412", L""},
      {L"cache\uFF12\uFF14\uFF11\uFF12", L""},  // full-width digits
      {L"cache2412-\u0662", L""},               // an Arabic-Indic digit
      {L"cookies", L""},
      {L"cookies-2", L""},
      {L"UserData-2", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name);
    EXPECT_EQ(std::wstring(lzg::CacheFolderMonth(c.name)), c.month);
  }
}

TEST(CacheFolderRules, WhichEntriesAreOldCaches) {
  const wchar_t* const this_month = L"2412";
  struct Case {
    const wchar_t* name;
    bool directory, held, old;
  } cases[] = {
      // Earlier months, every slot.
      {L"cache2411", true, false, true},
      {L"cache2411-2", true, false, true},
      {L"cache2311-14", true, false, true},
      {L"cache0001", true, false, true},
      // Any month but this one: a clock that was set wrong made these.
      {L"cache2501", true, false, true},
      // This month's, of any slot: the instances of this month use them.
      {L"cache2412", true, false, false},
      {L"cache2412-2", true, false, false},
      {L"cache2412-9", true, true, false},
      // Held by a running instance (one started last month).
      {L"cache2411", true, true, false},
      {L"cache2411-3", true, true, false},
      // Files named like caches.
      {L"cache2411", false, false, false},
      {L"cache2411-2", false, false, false},
      // Look-alikes.
      {L"cachefoo", true, false, false},
      {L"cache241", true, false, false},
      {L"cache24123", true, false, false},
      {L"cache2412x", true, false, false},
      {L"cache2411x", true, false, false},
      {L"cache2412-", true, false, false},
      {L"cache2411-", true, false, false},
      {L"cache2411-2x", true, false, false},
      {L"Cache2411", true, false, false},
      {L"cache", true, false, false},
      {L"cookies", true, false, false},
      {L"UserData-2", true, false, false},
      {L"logs", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << (c.directory ? " folder" : " file") << (c.held ? ", held" : ""));
    EXPECT_EQ(lzg::IsOldCache({c.name, c.directory, c.held}, this_month), c.old);
  }
}

}  // namespace
