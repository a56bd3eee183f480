#include <gtest/gtest.h>

#include "config_setters.h"
#include "errors.h"
#include "scramble.h"
#include "settings.h"
#include "test_support.h"

namespace vorms {
namespace {

TEST(ScrambleText, ShiftsByZeroOneTwoOneTwo) {
  struct Case {
    std::string clear, scrambled;
  };
  const Case cases[] = {
      {"abc", "aaa"},            // 97-0, 98-1, 99-2
      {"x", "x"},                // position 1 is never shifted
      {"ab", "aa"},              // only the second character changes
      {"", ""},
      {"secret", "sdaqcs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clear);
    EXPECT_EQ(ScrambleText(c.clear, 1, kScramble), c.scrambled);
    EXPECT_EQ(ScrambleText(c.scrambled, 1, kDescramble), c.clear);
  }
}

TEST(ScrambleText, RoundTripsEveryCodeThatStaysInRange) {
  std::string all;
  for (int code = 2; code <= 253; ++code) all += static_cast<char>(code);
  EXPECT_EQ(ScrambleText(ScrambleText(all, 1, kScramble), 1, kDescramble), all);
}

TEST(ScrambleText, ACodeLeavingTheRangeIsAnInvalidArgument) {
  const std::pair<std::string, int16_t> cases[] = {
      {std::string("a\0", 2), kScramble},   // 0 - 1
      {"ab\x01", kScramble},                // 1 - 2
      {"a\xFF", kDescramble},               // 255 + 1
      {"ab\xFE", kDescramble},              // 254 + 2
  };
  for (const auto& [text, direction] : cases) {
    try {
      ScrambleText(text, 1, direction);
      ADD_FAILURE() << "no error for direction " << direction;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::kInvalidArgument);
    }
  }
}

TEST(PasswordSetting, IsStoredScrambledAndReadInClear) {
  test::ProgramSandbox sandbox(Program::Config);
  ftp::SetPassword("abc");
  EXPECT_EQ(ReadSetting("FTP", "Password", sandbox.Ini()), "aaa");
  EXPECT_EQ(ftp::Password(), "abc");
}

TEST(PasswordSetting, HandWrittenClearTextComesBackAltered) {
  test::ProgramSandbox sandbox(Program::Vorms);
  WriteSetting("FTP", "Password", "secret", sandbox.Ini());
  EXPECT_EQ(ftp::Password(), "sfesgu");
}

TEST(PasswordSetting, KeepsScrambledFormsThatBeginOrEndWithABlank) {
  test::ProgramSandbox sandbox(Program::Config);
  // Scrambled: "a ", "p`q " (trailing blank), " w\x1f" (leading blank), "\"``\"" (quoted).
  for (const std::string clear : {"a!", "pas!", " x!", "\"ab#"}) {
    SCOPED_TRACE(clear);
    ftp::SetPassword(clear);
    EXPECT_EQ(ftp::Password(), clear);
  }
}

}  // namespace
}  // namespace vorms
