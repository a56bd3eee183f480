// The "/VL" listing parse as a table, the probe on the stand-in tool, and the command
// runner's pipe, time limit and stop.
#include <gtest/gtest.h>

#include "command_runner.h"
#include "errors.h"
#include "install_fixture.h"
#include "tsc_listing.h"
#include "version_probe.h"

namespace vorms {
namespace {

// Eleven lines and more: line 4 the version, line 10 the pattern line given.
std::string Listing(const std::string& pattern_line, const std::string& version_line = "TSC Version 1.0.0.1067") {
  std::string text = "\r\nStand-in\r\nCopyright\r\n\r\n" + version_line + "\r\nEngine\r\n\r\nScan\r\nScan\r\nLog\r\n";
  return text + pattern_line + "\r\n\r\n";
}

TEST(PatternFromListing, ReadsTheNumberOrRaisesAsTheToolAnswers) {
  struct Case {
    const char* what;
    std::string output;
    std::string pattern;  // when no error
    int error;            // 0: none
  };
  const Case cases[] = {
      {"617", Listing(" Load pattern file tsc.ptn (version 617) [OK]"), "617", 0},
      {"0617", Listing(" Load pattern file tsc.ptn (version 0617) [OK]"), "617", 0},
      {"no version line", Listing(" Load pattern file tsc.ptn (version 617) [OK]", "Version 1.0"), "", 0},
      {"version line on line 11",
       Listing(" Load pattern file tsc.ptn (version 617) [OK]", "x") + "TSC Version 1.0\r\n", "", 0},
      {"no (version", Listing(" Load pattern file tsc.ptn 617 [OK]"), "", 0},
      {"no ) [", Listing(" Load pattern file tsc.ptn (version 617)"), "", 0},
      {"40000", Listing(" Load pattern file tsc.ptn (version 40000) [OK]"), "", err::kOverflow},
      {"not a number", Listing(" Load pattern file tsc.ptn (version six) [OK]"), "", err::kTypeMismatch},
      {"three lines", "TSC Version 1\r\n Load pattern file tsc.ptn (version 617) [OK]\r\n", "", err::kSubscriptOutOfRange},
      {"empty output", "", "", err::kSubscriptOutOfRange},
      {"no pattern line", Listing("nothing here"), "", err::kInvalidArgument},
  };
  for (const Case& c : cases) {
    std::vector<std::string> trace;
    try {
      const std::string pattern = PatternFromListing(c.output, [&](const std::string& l) { trace.push_back(l); });
      EXPECT_EQ(c.error, 0) << c.what << " gave " << pattern;
      EXPECT_EQ(pattern, c.pattern) << c.what;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.error) << c.what;
    }
    ASSERT_GE(trace.size(), 2u) << c.what;
    EXPECT_EQ(trace[0].find("PipeTheDos (GET_TSC_PATTERN_VERSION_FROM_DOS): Found "), 0u);
    EXPECT_EQ(trace[0].find("\r\n"), std::string::npos) << c.what;
  }
}

TEST(PatternFromListing, TracesEveryStep) {
  std::vector<std::string> trace;
  PatternFromListing(Listing(" Load pattern file tsc.ptn (version 617) [OK]"),
                     [&](const std::string& l) { trace.push_back(l); });
  ASSERT_EQ(trace.size(), 2u + 11u + 3u);
  EXPECT_EQ(trace[1], "GET_TSC_PATTERN_VERSION_FROM_DOS: After the pipe found [12] Lines");
  EXPECT_EQ(trace[6], "GET_TSC_PATTERN_VERSION_FROM_DOS: Analyze Line TSC Version 1.0.0.1067");
  EXPECT_EQ(trace[13], "GET_TSC_PATTERN_VERSION_FROM_DOS: LigneVersion=[TSC Version 1.0.0.1067]");
  EXPECT_EQ(trace[14], "GET_TSC_PATTERN_VERSION_FROM_DOS: LignePattern=[ Load pattern file tsc.ptn (version 617) [OK]]");
  EXPECT_EQ(trace[15], "GET_TSC_PATTERN_VERSION_FROM_DOS: LignePattern Filtre 1 =[617]");
}

using test::InstallSandbox;
using test::StandIn;

TEST(VersionProbe, RunsTheStandInTool) {
  InstallSandbox sandbox;
  EXPECT_EQ(GET_TSC_PATTERN_VERSION_FROM_DOS(StandIn("1.0.0.1067", "617")), "617");
  EXPECT_EQ(GET_TSC_PATTERN_VERSION_FROM_DOS(StandIn("1.0.0.1100", "0617")), "617");
  EXPECT_TRUE(sandbox.DebugLogHas("PipeTheDos (GET_TSC_PATTERN_VERSION_FROM_DOS): Execute ["));

  // The default path: the unpacked copy in "temp", whose folder has a blank in it.
  sandbox.Unpack("1.0.0.1067", "618", 10);
  EXPECT_EQ(GET_TSC_PATTERN_VERSION_FROM_DOS(), "618");
  EXPECT_NE(GetTscListing().find(" Load pattern file tsc.ptn (version 618) [OK]"), std::string::npos);
}

TEST(VersionProbe, AMissingToolGivesZeroAndTheUnexpectedErrorLine) {
  InstallSandbox sandbox;
  EXPECT_EQ(GET_TSC_PATTERN_VERSION_FROM_DOS(sandbox.File("missing\\tsc.exe")), "0");
  EXPECT_TRUE(sandbox.LogHas("GET_TSC_PATTERN_VERSION_FROM_DOS: Error 9 Subscript out of range Unknown error, "
                             "please send this error to "));
  EXPECT_TRUE(sandbox.DebugLogHas("PipeTheDos (GET_TSC_PATTERN_VERSION_FROM_DOS): Execute []"));
}

TEST(CommandRunner, ReadsAChattyToolWhileItRuns) {
  const std::string output = ExecuteCommand("CMD /C " + StandIn("1.0.0.1067", "617") + " /FLOOD");
  EXPECT_NE(output.find("line 09999 of a chatty tool"), std::string::npos);
  EXPECT_NE(output.find("error line 09999"), std::string::npos);
  EXPECT_NE(output.find("end of flood"), std::string::npos);
}

TEST(CommandRunner, KeepsTheFirstMebibyteOfAToolThatWillNotStopTalking) {
  const std::string output = ExecuteCommand("CMD /C " + StandIn("1.0.0.1100", "620_flood") + " /VL");
  EXPECT_EQ(output.size(), kCommandOutputLimit);
  EXPECT_EQ(output.rfind("flood line 000000 of a tool", 0), 0u);
  EXPECT_EQ(output.find("Load pattern file"), std::string::npos);
}

TEST(CommandRunner, EndsAToolThatOutlivesItsLimit) {
  const ULONGLONG start = ::GetTickCount64();
  try {
    ExecuteCommand("CMD /C " + StandIn("1.0.0.1067", "617") + " /HANG", 1500);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.description().find("did not end within"), std::string::npos) << e.description();
  }
  EXPECT_LT(::GetTickCount64() - start, 15000u);
}

TEST(CommandRunner, AStopRequestEndsTheTool) {
  test::ScopedStopEvent stop(true);
  EXPECT_THROW(ExecuteCommand("CMD /C " + StandIn("1.0.0.1067", "617") + " /HANG"), RuntimeError);
}

}  // namespace
}  // namespace vorms
