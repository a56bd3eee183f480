#include <gtest/gtest.h>

#include "fixture_files.h"
#include "process_memory.h"

namespace vorms::fslib {
namespace {

long long Kilobytes(const std::string& text) { return text.empty() ? -1 : std::stoll(text); }

TEST(MemoryFromProcess, FindsAStartedProgramByNameWhateverTheCaseAndBlanks) {
  // The program holds 32 MB of touched memory: its working set, in kilobytes, is at least
  // that and far below the same figure in bytes.
  test::BackgroundProcess holder(test::FixturePath("fixture_unversioned.exe") + " hold 32");
  long long kilobytes = -1;
  EXPECT_TRUE(test::WaitFor([&] {
    kilobytes = Kilobytes(MEMORY_GET_FROM_PROCESS("  Fixture_UNVERSIONED.exe  "));
    return kilobytes >= 32 * 1024;
  })) << kilobytes;
  EXPECT_LT(kilobytes, 32LL * 1024 * 1024);
}

TEST(MemoryFromProcess, GivesEmptyTextWhenNoProgramHasTheName) {
  EXPECT_EQ(MEMORY_GET_FROM_PROCESS("no_such_program.exe"), "");
  EXPECT_EQ(MEMORY_GET_FROM_PROCESS(""), "");
}

}  // namespace
}  // namespace vorms::fslib
