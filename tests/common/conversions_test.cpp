#include <gtest/gtest.h>

#include "conversions.h"
#include "errors.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ErrorOf;

struct Int16Case {
  const char* text;
  int expected;  // the value, or the error number when error is set
  bool error;
};

TEST(ToInt16, FollowsTheRunTimeRules) {
  const Int16Case cases[] = {
      {"1", 1, false},          {" 1 ", 1, false},         {"\t-7", -7, false},
      {"+5", 5, false},         {"32767", 32767, false},   {"-32768", -32768, false},
      {"0008", 8, false},       {"32768", 6, true},        {"-32769", 6, true},
      {"123456789012345678901234567890", 6, true},         {"yes", 13, true},
      {"", 13, true},           {"  ", 13, true},          {"1.5", 13, true},
      {"1 2", 13, true},        {"-", 13, true},           {"12abc", 13, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.error) {
      EXPECT_EQ(ErrorOf([&] { ToInt16(c.text); }), c.expected);
    } else {
      EXPECT_EQ(ToInt16(c.text), c.expected);
    }
  }
}

TEST(ToInt32, CoversTheWholeRange) {
  EXPECT_EQ(ToInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ToInt32("2147483647"), INT32_MAX);
  EXPECT_EQ(ErrorOf([] { ToInt32("2147483648"); }), err::kOverflow);
}

TEST(ToNumber, AcceptsDecimalsAndRefusesText) {
  EXPECT_EQ(ToNumber("2370"), 2370);
  EXPECT_EQ(ToNumber(" -1.5 "), -1.5);
  EXPECT_EQ(ToNumber("10000000"), 10000000);
  EXPECT_EQ(ErrorOf([] { ToNumber("abc"); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { ToNumber(""); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { ToNumber("1e5"); }), err::kTypeMismatch);
}

TEST(LeadingNumber, ReadsDigitsUpToTheFirstOther) {
  EXPECT_EQ(LeadingNumber("  12abc"), 12);
  EXPECT_EQ(LeadingNumber("2026  9"), 2026);
  EXPECT_EQ(LeadingNumber("-3x"), -3);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
}

TEST(NumberText, PrintsWholeNumbersWithoutDecimals) {
  EXPECT_EQ(NumberText(60), "60");
  EXPECT_EQ(NumberText(-1), "-1");
  EXPECT_EQ(NumberText(0.0 * -1), "0");
  EXPECT_EQ(NumberText(1.5), "1.5");
}

TEST(Trim, RemovesSpacesOnly) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(Trim("   "), "");
}

TEST(CompareText, ComparesCodesCharacterByCharacter) {
  EXPECT_GT(CompareText("9", "10"), 0);
  EXPECT_LT(CompareText("123", "1234"), 0);
  EXPECT_EQ(CompareText("abc", "abc"), 0);
  EXPECT_GT(CompareText("\xE9", "z"), 0);  // codes above 127 sort after ASCII
}

TEST(Errors, CarryTheRunTimeDescriptions) {
  EXPECT_EQ(RuntimeError(5).description(), "Invalid procedure call or argument");
  EXPECT_EQ(RuntimeError(6).description(), "Overflow");
  EXPECT_EQ(RuntimeError(9).description(), "Subscript out of range");
  EXPECT_EQ(RuntimeError(13).description(), "Type mismatch");
  EXPECT_EQ(RuntimeError(53).description(), "File not found");
}

TEST(Errors, ResumeNextReportsAndGoesOn) {
  std::vector<int> reported;
  const ErrorReport report = [&](const RuntimeError& e) { reported.push_back(e.number()); };
  int steps = 0;
  ResumeNext([&] { ++steps; throw RuntimeError(13); }, report);
  ResumeNext([&] { ++steps; }, report);
  ResumeNext([&] { throw std::bad_alloc(); }, report);
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(reported, (std::vector<int>{13, 7}));
}

TEST(Errors, ReturnOnErrorGivesTheNeutralResult) {
  int reported = 0;
  const ErrorReport report = [&](const RuntimeError& e) { reported = e.number(); };
  EXPECT_EQ(ReturnOnError<int>(0, [] { return ToInt16("yes"); }, report), 0);
  EXPECT_EQ(reported, 13);
  EXPECT_EQ(ReturnOnError<int>(0, [] { return 4; }, report), 4);
}

TEST(Errors, AFailingReportDoesNotEscapeTheTrap) {
  const ErrorReport failing = [](const RuntimeError&) { throw RuntimeError(76); };
  EXPECT_NO_THROW(ResumeNext([] { throw RuntimeError(5); }, failing));
  EXPECT_EQ(ReturnOnError<bool>(false, []() -> bool { throw RuntimeError(5); }, failing), false);
}

}  // namespace
}  // namespace vorms
