// The zip container: what the reader refuses, what it unpacks, and the staging that keeps
// a failed unpack out of the destination. Archives made by other tools are in
// zip_interop_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "zip_archive.h"
#include "zip_files.h"

namespace vorms::zip {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

std::string Bytes(std::size_t n, unsigned seed) {
  std::string data(n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = static_cast<char>(seed >> 16);
  }
  return data;
}

std::string Archive(std::initializer_list<std::pair<std::string, std::string>> entries) {
  ZipWriter writer;
  for (const auto& [name, data] : entries) writer.Add(name, data);
  return writer.Finish();
}

// Every occurrence (local header and central directory) of one text by another of the
// same length.
std::string Patched(std::string archive, const std::string& from, const std::string& to) {
  for (std::size_t at = archive.find(from); at != std::string::npos; at = archive.find(from, at + 1)) {
    archive.replace(at, from.size(), to);
  }
  return archive;
}

void Put32At(std::string& archive, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) archive[at + i] = static_cast<char>(v >> (8 * i));
}

std::size_t CentralEntry(const std::string& archive) { return archive.find("PK\x01\x02"); }

TEST(ZipReader, UnpacksWhatTheWriterPacked) {
  const std::string text(200000, 'a');  // deflated
  const std::string noise = Bytes(70000, 7);  // stored: deflate cannot shrink it
  const std::string archive = Archive({{"tsc.exe", noise}, {"sub/tsc.ptn", text}, {"empty.txt", ""}});
  ZipReader reader(archive);
  ASSERT_EQ(reader.entries().size(), 3u);
  EXPECT_EQ(reader.entries()[0].method, 0);
  EXPECT_EQ(reader.entries()[1].method, 8);
  EXPECT_EQ(reader.ExtractToString(reader.entries()[0]), noise);
  EXPECT_EQ(reader.ExtractToString(reader.entries()[1]), text);
  EXPECT_EQ(reader.ExtractToString(reader.entries()[2]), "");
}

TEST(ZipReader, RefusesUnsafeNames) {
  // Same length as "abc/x.txt", so that it can be patched in.
  for (const std::string bad : {"../x.txt1", "/abc/xtxt", "\\abc/xtxt", "C:/abc/xt", "C:abc/x.t",
                                "abc\\..\\xt", "a/../x.tx", "a/ ./x.tx", "a//bx.txt", "abc/x.tx\x01",
                                "abc/x?txt"}) {
    ASSERT_EQ(bad.size(), 9u) << bad;
    const std::string archive = Patched(Archive({{"fine.txt", "ok"}, {"abc/x.txt", "data"}}), "abc/x.txt", bad);
    EXPECT_THROW(ZipReader{archive}, ZipError) << bad;
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
  }
  for (const std::string good : {"tsc.exe", "a/b/c.txt", "folder/", "a\\b.txt", "x..y"}) {
    EXPECT_TRUE(IsSafeEntryName(good)) << good;
  }
}

TEST(ZipReader, RefusesDamagedEntries) {
  const std::string text(5000, 'z');
  const std::string good = Archive({{"a.txt", "stored!"}, {"b.txt", text}});
  struct Case {
    const char* what;
    std::string archive;
  };
  std::vector<Case> cases;
  {  // a changed byte of stored data: its CRC no longer holds
    std::string a = good;
    a[a.find("stored!")] = 'S';
    cases.push_back({"crc", a});
  }
  {  // central directory declares a larger size than the data gives
    std::string a = good;
    const std::size_t second = a.find("PK\x01\x02", CentralEntry(a) + 1);
    Put32At(a, second + 24, 5001);
    cases.push_back({"size", a});
  }
  {  // deflated data cut short: the directory moved forward over the stream's end
    std::string a = good;
    const std::size_t second = a.find("PK\x01\x02", CentralEntry(a) + 1);
    Put32At(a, second + 20, 3);
    cases.push_back({"truncated deflate", a});
  }
  cases.push_back({"truncated archive", good.substr(0, good.size() - 30)});
  cases.push_back({"no archive", "this is not a zip file at all, just text"});
  cases.push_back({"empty", ""});
  for (const Case& c : cases) {
    EXPECT_THROW(
        {
          ZipReader reader(c.archive);
          for (const EntryInfo& e : reader.entries()) reader.ExtractToString(e);
        },
        ZipError)
        << c.what;
  }
}

TEST(ZipReader, RefusesMoreThanTheLimitBeforeUnpacking) {
  const std::string many(1000, 'x');  // deflated, so only the declared size changes
  std::string archive = Archive({{"a.bin", many}});
  ZipReader small(archive);
  EXPECT_THROW(ZipReader(archive, 0), ZipError);
  // A tiny archive whose directory claims 2 GiB: refused from the declaration alone.
  Put32At(archive, CentralEntry(archive) + 24, 0x80000000u);
  EXPECT_THROW(ZipReader{archive}, ZipError);
  // Two entries of 600 MB declared: more than 1 GiB in all.
  std::string two = Archive({{"a.bin", many}, {"b.bin", many}});
  const std::size_t first = CentralEntry(two);
  Put32At(two, first + 24, 600000000u);
  Put32At(two, two.find("PK\x01\x02", first + 1) + 24, 600000000u);
  try {
    ZipReader{two};
    ADD_FAILURE() << "accepted";
  } catch (const ZipError& e) {
    EXPECT_NE(std::string(e.what()).find("more than"), std::string::npos) << e.what();
  }
}

TEST(ZipReader, RefusesTheSameNameTwice) {
  EXPECT_THROW(ZipReader{Archive({{"tsc.exe", "1"}, {"TSC.EXE", "2"}})}, ZipError);
}

class UnzipFileTest : public testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& archive) {
    WriteFile(folder_.File(name), archive);
    return folder_.File(name);
  }
  TempFolder folder_{"unzip"};
  std::string dest_ = folder_.File("temp");
};

TEST_F(UnzipFileTest, UnpacksEveryEntryIntoTheDestination) {
  const std::string exe = Bytes(100000, 3);
  const std::string zip = Write("tsc.zip", Archive({{"tsc.exe", exe}, {"docs/readme.txt", "hello"}}));
  std::string failure;
  ASSERT_TRUE(UnzipFile(zip, dest_, &failure)) << failure;
  EXPECT_EQ(ReadFile(dest_ + "\\tsc.exe"), exe);
  EXPECT_EQ(ReadFile(dest_ + "\\docs\\readme.txt"), "hello");
  EXPECT_FALSE(FileExists(dest_ + ".unpacking"));

  // Again over the same folder: the files are replaced, a file already there stays.
  WriteFile(dest_ + "\\other.txt", "kept");
  const std::string zip2 = Write("tsc2.zip", Archive({{"tsc.exe", "new"}, {"docs/readme.txt", "again"}}));
  ASSERT_TRUE(UnzipFile(zip2, dest_, &failure)) << failure;
  EXPECT_EQ(ReadFile(dest_ + "\\tsc.exe"), "new");
  EXPECT_EQ(ReadFile(dest_ + "\\docs\\readme.txt"), "again");
  EXPECT_EQ(ReadFile(dest_ + "\\other.txt"), "kept");
}

TEST_F(UnzipFileTest, AFailedEntryLeavesNothingInTheDestination) {
  std::string archive = Archive({{"tsc.exe", "the tool"}, {"tsc.ptn", "pattern!"}});
  archive[archive.find("pattern!")] = 'P';  // the second entry's CRC fails
  std::string failure;
  EXPECT_FALSE(UnzipFile(Write("bad.zip", archive), dest_, &failure));
  EXPECT_NE(failure.find("tsc.ptn"), std::string::npos) << failure;
  EXPECT_FALSE(FileExists(dest_ + "\\tsc.exe"));
  EXPECT_FALSE(FileExists(dest_ + ".unpacking"));

  const std::string unsafe = Patched(Archive({{"tsc.exe", "x"}, {"ab/evil", "y"}}), "ab/evil", "../evil");
  EXPECT_FALSE(UnzipFile(Write("unsafe.zip", unsafe), dest_, &failure));
  EXPECT_FALSE(FileExists(dest_ + "\\tsc.exe"));
  EXPECT_FALSE(FileExists(folder_.File("evil")));

  EXPECT_FALSE(UnzipFile(folder_.File("missing.zip"), dest_, &failure));
  EXPECT_FALSE(failure.empty());
}

TEST_F(UnzipFileTest, ZipFilesPacksTheNamedFiles) {
  WriteFile(folder_.File("tsc.exe"), Bytes(30000, 9));
  WriteFile(folder_.File("tsc.ptn"), std::string(40000, 'p'));
  const std::string zip = folder_.File("tsc_smtp.zip");
  std::string failure;
  ASSERT_TRUE(ZipFiles(folder_.path(), {"tsc.exe", "tsc.ptn"}, zip, &failure)) << failure;
  const std::string archive = ReadFile(zip);
  ZipReader reader(archive);
  ASSERT_EQ(reader.entries().size(), 2u);
  EXPECT_EQ(reader.ExtractToString(reader.entries()[0]), ReadFile(folder_.File("tsc.exe")));
  EXPECT_EQ(reader.ExtractToString(reader.entries()[1]), ReadFile(folder_.File("tsc.ptn")));

  // A missing file: false, and the archive made before is left whole.
  EXPECT_FALSE(ZipFiles(folder_.path(), {"tsc.exe", "missing.ptn"}, zip, &failure));
  EXPECT_EQ(ReadFile(zip), archive);
  EXPECT_FALSE(FileExists(zip + ".partial"));
}

}  // namespace
}  // namespace vorms::zip
