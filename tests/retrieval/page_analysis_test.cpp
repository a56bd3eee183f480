#include <gtest/gtest.h>

#include "page_analysis.h"
#include "retrieval_log.h"
#include "settings.h"

namespace vorms {
namespace {

using test::Logged;

const char kFooterPage[] =
    "<p>Damage Cleanup Template (DCT)</SPAN> 385<BR>\r\n"
    "Copyright (C) 2001-2004 Trend Micro Incorporated. All rights reserved.\r\n";

struct PageCase {
  const char* name;
  std::string page;
  const char* stored;  // nullptr: no Pattern key
  bool result;
  std::string line;    // the analysis' last word
};

TEST(AnalyzeDownloadedFile, SavedPages) {
  const PageCase cases[] = {
      {"footer example", kFooterPage, "384", true, "AnalyzeDownloadedFile: New version found pattern 385"},
      {"equal pattern", kFooterPage, "385", false, "AnalyzeDownloadedFile: No New version found [385]"},
      {"stored pattern missing", kFooterPage, nullptr, true,
       "AnalyzeDownloadedFile: New version found pattern 385"},
      {"no marker", "<html>no news</html>\r\n", "1", false,
       "AnalyzeDownloadedFile: error number 9 Subscript out of range"},
      {"year digits", "(DCT) 12004<BR>\r\n", "0", true, "AnalyzeDownloadedFile: New version found pattern 1"},
      {"above 32767", "(DCT) 40000<BR>\r\n", "0", false, "AnalyzeDownloadedFile: error number 6 Overflow"},
      {"LF-only page", "x\n(DCT) 390<BR>\nend", "0", false,
       std::string("AnalyzeDownloadedFile: error Understand this file ( x\n(DCT) 390<BR>\nend), send this logs to ") +
           kSupportContact + " for get a new version 13 Type mismatch"},
      {"other letter case", "(DCT) 385<Br>\r\n", "0", false,
       std::string("AnalyzeDownloadedFile: error Understand this file ( (DCT) 385<Br>), send this logs to ") +
           kSupportContact + " for get a new version 13 Type mismatch"},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramSandbox sandbox;
    test::LogEverything();
    test::WriteFile(sandbox.File("TSCReadme.htm"), c.page);
    if (c.stored) tsc::SetPattern(c.stored);
    EXPECT_EQ(AnalyzeDownloadedFile(), c.result);
    auto messages = test::LoggedMessages(sandbox);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), c.line);
    if (!c.stored) {
      EXPECT_EQ(ReadSetting("TSC", "Pattern", sandbox.Ini()), "0");
    }
  }
}

TEST(AnalyzeDownloadedFile, LogsEachStepOfTheFooterExample) {
  test::ProgramSandbox sandbox;
  test::LogEverything();
  test::WriteFile(sandbox.File("TSCReadme.htm"), kFooterPage);
  tsc::SetPattern("385");
  EXPECT_FALSE(AnalyzeDownloadedFile());
  const std::vector<std::string> expected = {
      "AnalyzeDownloadedFile: File size=[" + std::to_string(sizeof kFooterPage - 1) + "]",
      "AnalyzeDownloadedFile: Analyse the file for find string [the latest TSC pattern number is]",
      "AnalyzeDownloadedFile: Cleanup HTML File )",
      "AnalyzeDownloadedFile: Find (DCS) word)",
      "AnalyzeDownloadedFile: Cleanup <p>Damage Cleanup Template (DCT)</SPAN> 385<BR>Copyright (C) "
      "2001-2004 Trend Micro Incorporated. All rights reserved. string )",
      "AnalyzeDownloadedFile: Cleanup Found 385 string )",
      "AnalyzeDownloadedFile: No New version found [385]",
  };
  EXPECT_EQ(test::LoggedMessages(sandbox), expected);
}

TEST(AnalyzeDownloadedFile, MissingPage) {
  test::ProgramSandbox sandbox;
  test::LogEverything();
  EXPECT_FALSE(AnalyzeDownloadedFile());
  EXPECT_TRUE(Logged(sandbox, "AnalyzeDownloadedFile: Unable to browse " + sandbox.File("TSCReadme.htm")));
}

}  // namespace
}  // namespace vorms
