// Archives made by Python's zipfile and Debian's zip unpack byte for byte, and the
// writer's archive is left for unzip -t and Python's zipfile to check. zip_interop.sh
// makes the archives and checks the result; it hands the folder over in
// VORMS_ZIP_INTEROP (src/ the files, archives/ the archives, written.zip the result).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"
#include "zip_files.h"

namespace vorms::zip {
namespace {

std::string InteropFolder() {
  const char* folder = std::getenv("VORMS_ZIP_INTEROP");
  return folder ? folder : "";
}

// Relative paths of every file below root.
void ListFiles(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA((root + relative + "\\*").c_str(), &found));
  if (!find) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string child = relative + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(root, child, out);
    } else {
      out.push_back(child);
    }
  } while (::FindNextFileA(find.get(), &found));
}

std::vector<std::string> Files(const std::string& root) {
  std::vector<std::string> files;
  ListFiles(root, "", files);
  std::sort(files.begin(), files.end());
  return files;
}

TEST(Interop, ArchivesOfOtherToolsUnpackByteForByte) {
  const std::string folder = InteropFolder();
  if (folder.empty()) GTEST_SKIP() << "run through zip_interop.sh";
  const std::vector<std::string> sources = Files(folder + "\\src");
  ASSERT_GE(sources.size(), 4u);
  const std::vector<std::string> archives = Files(folder + "\\archives");
  ASSERT_EQ(archives.size(), 4u);
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    test::TempFolder into("interop");
    std::string failure;
    ASSERT_TRUE(UnzipFile(folder + "\\archives" + archive, into.File("temp"), &failure)) << failure;
    EXPECT_EQ(Files(into.File("temp")), sources);
    for (const std::string& file : sources) {
      EXPECT_EQ(test::ReadFile(into.File("temp") + file), test::ReadFile(folder + "\\src" + file)) << file;
    }
  }
}

TEST(Interop, WritesAnArchiveForTheOtherTools) {
  const std::string folder = InteropFolder();
  if (folder.empty()) GTEST_SKIP() << "run through zip_interop.sh";
  std::vector<std::string> names;
  for (std::string file : Files(folder + "\\src")) names.push_back(file.substr(1));
  std::string failure;
  ASSERT_TRUE(ZipFiles(folder + "\\src", names, folder + "\\written.zip", &failure)) << failure;
}

}  // namespace
}  // namespace vorms::zip
