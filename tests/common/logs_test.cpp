#include <gtest/gtest.h>

#include "handles.h"
#include "logs.h"
#include "memory_values.h"
#include "settings.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ProgramSandbox;
using Lines = std::vector<std::string>;

const DateTime kNow{2004, 8, 12, 21, 50, 44};

std::string LogLine(const std::string& message) {
  return "2004-08-12 21:50:44 : [" + ProgramName() + "]" + message;
}

struct SwitchCase {
  int logs, debug, level;
  std::vector<const char*> files;  // the files that receive the line
};

TEST(WriteLog, VormsHonoursItsInMemorySwitches) {
  const SwitchCase cases[] = {
      {0, 0, 1, {}},
      {0, 1, 1, {}},  // the log switch off silences level 1 whatever the debug switch
      {1, 0, 1, {"vorms.log", "Realtime.log"}},
      {1, 1, 1, {"vorms.log", "Realtime.log", "VORMS_DEBUG.log"}},
      {0, 0, 2, {}},
      {1, 0, 2, {}},
      {0, 1, 2, {"VORMS_DEBUG.log"}},
      {1, 1, 3, {}},
      {1, 1, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "logs=" << c.logs << " debug=" << c.debug << " level=" << c.level);
    ProgramSandbox sandbox(Program::Vorms);
    sandbox.SetNow(kNow);
    // The file switches must not matter to Vorms: only its in-memory copies do.
    WriteSetting("LOGS", "Enable", c.logs ? "0" : "1", sandbox.Ini());
    memory::SetLogsEnabled(static_cast<int16_t>(c.logs));
    memory::SetDebugOn(static_cast<int16_t>(c.debug));
    WriteLog("StartFTP: Starting Operations...", static_cast<int16_t>(c.level));
    // Config's Vorms_debug.log is the same file as VORMS_DEBUG.log on Windows.
    for (const char* name : {"vorms.log", "Realtime.log", "VORMS_DEBUG.log", "events.log",
                             "plomenk.log"}) {
      bool expected = std::find(c.files.begin(), c.files.end(), std::string(name)) != c.files.end();
      EXPECT_EQ(test::ReadLines(sandbox.File(name)),
                expected ? Lines{LogLine("StartFTP: Starting Operations...")} : Lines{})
          << name;
    }
  }
}

TEST(WriteLog, ConfigReadsItsSwitchesFromTheSettingsFile) {
  const SwitchCase cases[] = {
      {0, 1, 1, {}},
      {1, 0, 1, {"plomenk.log"}},
      {1, 1, 1, {"plomenk.log", "Vorms_debug.log"}},
      {1, 0, 2, {}},
      {0, 1, 2, {"Vorms_debug.log"}},
      {1, 1, 3, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "logs=" << c.logs << " debug=" << c.debug << " level=" << c.level);
    ProgramSandbox sandbox(Program::Config);
    sandbox.SetNow(kNow);
    WriteSetting("LOGS", "Enable", std::to_string(c.logs), sandbox.Ini());
    WriteSetting("Service", "DebugMode", std::to_string(c.debug), sandbox.Ini());
    memory::SetLogsEnabled(static_cast<int16_t>(1 - c.logs));  // Config has no in-memory switches
    WriteLog("Form_Load: ok", static_cast<int16_t>(c.level));
    for (const char* name : {"plomenk.log", "Vorms_debug.log", "vorms.log", "Realtime.log",
                             "events.log"}) {
      bool expected = std::find(c.files.begin(), c.files.end(), std::string(name)) != c.files.end();
      EXPECT_EQ(test::ReadLines(sandbox.File(name)), expected ? Lines{LogLine("Form_Load: ok")} : Lines{})
          << name;
    }
  }
}

TEST(WriteLog, ConfigShowsLevelOneLinesInItsStatusBox) {
  ProgramSandbox sandbox(Program::Config);
  sandbox.SetNow(kNow);
  Window edit(::CreateWindowExA(0, "EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 200, 100, HWND_MESSAGE,
                                nullptr, nullptr, nullptr));
  ASSERT_TRUE(edit);
  SetStatusBox(edit.get());
  WriteLog("first", 1);
  WriteLog("hidden", 2);
  WriteLog("second", 1);
  SetStatusBox(nullptr);
  char text[256] = {};
  ::GetWindowTextA(edit.get(), text, sizeof text);
  EXPECT_STREQ(text, "2004-08-12 21:50:44 - first\r\n2004-08-12 21:50:44 - second\r\n");
}

TEST(WriteLog, LinesEndWithCrLfAndAppend) {
  ProgramSandbox sandbox(Program::Vorms);
  sandbox.SetNow(kNow);
  memory::SetLogsEnabled(1);
  WriteLog("one", 1);
  WriteLog("two", 1);
  EXPECT_EQ(test::ReadFile(sandbox.File("vorms.log")), LogLine("one") + "\r\n" + LogLine("two") + "\r\n");
}

TEST(WriteEvent, VormsWritesEachEventToTheJournalAndTheLiveFeed) {
  ProgramSandbox sandbox(Program::Vorms);
  sandbox.SetNow(kNow);
  WriteEvent("Launch", "Launch Function starting");
  const Lines expected{"2004-08-12 21:50:44 Launch: Launch Function starting"};
  EXPECT_EQ(test::ReadLines(sandbox.File("events.log")), expected);
  EXPECT_EQ(test::ReadLines(sandbox.File("Realtime.log")), expected);
  EXPECT_EQ(test::ReadFile(sandbox.File("events.log")).substr(expected[0].size()), "\r\n");
}

TEST(WriteEvent, ConfigWritesOnlyTheJournal) {
  ProgramSandbox sandbox(Program::Config);
  sandbox.SetNow(kNow);
  WriteEvent("Timer1", "hello");
  EXPECT_EQ(test::ReadLines(sandbox.File("events.log")), Lines{"2004-08-12 21:50:44 Timer1: hello"});
  EXPECT_FALSE(test::FileExists(sandbox.File("Realtime.log")));
}

TEST(ErrorReports, UseTheSystemsTwoShapes) {
  ProgramSandbox sandbox(Program::Vorms);
  sandbox.SetNow(kNow);
  memory::SetLogsEnabled(1);
  LogError("MustDownload: Error ")(RuntimeError(53));
  EventError("LoadValues")(RuntimeError(5));
  EXPECT_EQ(test::ReadLines(sandbox.File("vorms.log")), Lines{LogLine("MustDownload: Error 53 File not found")});
  EXPECT_EQ(test::ReadLines(sandbox.File("events.log")),
            Lines{"2004-08-12 21:50:44 LoadValues: Error 5 Invalid procedure call or argument"});
}

TEST(AppendLine, RaisesTheRunTimesFileErrors) {
  test::TempFolder folder;
  try {
    AppendLine(folder.File("missing\\x.log"), "line");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kPathNotFound);
  }
  FileHandle locked(::CreateFileA(folder.File("locked.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, 0, nullptr));
  try {
    AppendLine(folder.File("locked.log"), "line");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kPermissionDenied);
  }
}

}  // namespace
}  // namespace vorms
