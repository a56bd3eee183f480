#include <gtest/gtest.h>

#include "file_dates.h"
#include "handles.h"
#include "test_support.h"

namespace vorms::fslib {
namespace {

using test::TempFolder;

struct FileTimes {
  FILETIME created{}, accessed{}, written{};
};

FileTimes TimesOf(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  FileTimes times;
  ::GetFileTime(file.get(), &times.created, &times.accessed, &times.written);
  return times;
}

// A file time as the local calendar reading it stands for.
SYSTEMTIME LocalReading(const FILETIME& universal) {
  FILETIME local;
  SYSTEMTIME reading;
  ::FileTimeToLocalFileTime(&universal, &local);
  ::FileTimeToSystemTime(&local, &reading);
  return reading;
}

void ExpectReading(const FILETIME& time, const DateTime& expected) {
  SYSTEMTIME t = LocalReading(time);
  EXPECT_EQ((DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}), expected);
  EXPECT_EQ(t.wMilliseconds, 0);
}

bool operator==(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

class FileChangeDateToNow : public testing::Test {
 protected:
  void SetUp() override { SetClockForTesting(&now_); }
  void TearDown() override { SetClockForTesting(nullptr); }
  // FILE_CHANGE_DATE_TO_NOW, the stamp it hands back kept in stamp.
  bool ChangeDate(const std::string& file, std::optional<std::string>& stamp) {
    return FILE_CHANGE_DATE_TO_NOW(file, [&](const std::string& text) { stamp = text; });
  }
  const DateTime now_{2026, 1, 8, 9, 5, 3};
  TempFolder folder_;
};

TEST(DateStampText, WritesNumbersWithoutLeadingZeros) {
  EXPECT_EQ(DateStampText({2026, 1, 8, 9, 5, 3}), "8/1/2026  9:5:3");
  EXPECT_EQ(DateStampText({2025, 12, 31, 23, 59, 58}), "31/12/2025  23:59:58");
  EXPECT_EQ(DateStampText({2026, 10, 1, 0, 0, 0}), "1/10/2026  0:0:0");
}

TEST(ParseDateTimeText, ReadsTheStampBack) {
  for (const DateTime& t : {DateTime{2026, 1, 8, 9, 5, 3}, DateTime{2025, 12, 31, 23, 59, 58},
                            DateTime{2026, 10, 1, 0, 0, 0}}) {
    SCOPED_TRACE(DateStampText(t));
    std::optional<SYSTEMTIME> parsed = ParseDateTimeText(DateStampText(t));
    ASSERT_TRUE(parsed);
    EXPECT_EQ((DateTime{parsed->wYear, parsed->wMonth, parsed->wDay, parsed->wHour,
                        parsed->wMinute, parsed->wSecond}),
              t);
    EXPECT_EQ(parsed->wMilliseconds, 0);
    EXPECT_EQ(parsed->wDayOfWeek, 0);
  }
}

TEST(ParseDateTimeText, RefusesATextWithoutEverySeparator) {
  for (const char* text : {"8/1/2026 9:5:3", "8-1-2026  9:5:3", "8/1/2026  9:5", "8/12026  9:5:3",
                           "", "9:5:3  8/1/2026"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseDateTimeText(text));
  }
}

TEST_F(FileChangeDateToNow, StampsTheThreeDatesAndHandsTheTextBack) {
  std::string file = folder_.File("tsc.exe");
  test::WriteFile(file, "tool");
  std::optional<std::string> stamp = "as passed";
  ASSERT_TRUE(ChangeDate(file, stamp));
  EXPECT_EQ(stamp, "8/1/2026  9:5:3");
  FileTimes times = TimesOf(file);
  ExpectReading(times.created, now_);
  ExpectReading(times.accessed, now_);
  ExpectReading(times.written, now_);
}

TEST_F(FileChangeDateToNow, HandsNothingBackForAMissingFile) {
  std::optional<std::string> stamp;
  EXPECT_FALSE(ChangeDate(folder_.File("missing.exe"), stamp));
  EXPECT_FALSE(stamp);
}

// The test holds the file open sharing reading only: it opens for reading, not for writing.
TEST_F(FileChangeDateToNow, HandsTheStampBackEvenWhenTheFileCannotBeWritten) {
  std::string file = folder_.File("tsc.ptn");
  test::WriteFile(file, "pattern");
  FileTimes before = TimesOf(file);
  std::optional<std::string> stamp = "as passed";
  {
    FileHandle reader(::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(ChangeDate(file, stamp));
  }
  EXPECT_EQ(stamp, "8/1/2026  9:5:3");
  EXPECT_TRUE(TimesOf(file).written == before.written);
  EXPECT_TRUE(TimesOf(file).created == before.created);
}

}  // namespace
}  // namespace vorms::fslib
