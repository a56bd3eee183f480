#include "zip_files.h"

#include <windows.h>

#include <vector>

#include "datetime.h"
#include "errors.h"
#include "files.h"
#include "handles.h"
#include "zip_archive.h"

namespace vorms::zip {
namespace {

constexpr char kStagingSuffix[] = ".unpacking";
constexpr char kPartialSuffix[] = ".partial";

[[noreturn]] void RaiseLastError(const std::string& what) {
  throw ZipError(what + " (system error " + std::to_string(::GetLastError()) + ")");
}

// The file as the archive code reads it, its failure told with its path.
std::string ReadInput(const std::string& path) {
  try {
    return ReadWholeFile(path, kMaxUnpackedTotal);
  } catch (const RuntimeError& e) {
    throw ZipError("cannot read " + path + ": " + e.description());
  }
}

void WriteAll(HANDLE file, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 20));
    if (!::WriteFile(file, data.data(), want, &written, nullptr) || written == 0) {
      RaiseLastError("cannot write " + path);
    }
    data.remove_prefix(written);
  }
}

void MakeFolder(const std::string& path) {
  if (IsFolder(path)) return;
  if (!::CreateDirectoryA(path.c_str(), nullptr)) RaiseLastError("cannot create the folder " + path);
}

// Makes every folder of a relative entry path below root; returns the entry's full path.
std::string PrepareEntryPath(const std::string& root, const std::string& name) {
  std::string relative = name;
  for (char& c : relative) {
    if (c == '/') c = '\\';
  }
  if (relative.back() == '\\') relative.pop_back();
  std::size_t slash = 0;
  while ((slash = relative.find('\\', slash)) != std::string::npos) {
    MakeFolder(root + "\\" + relative.substr(0, slash));
    ++slash;
  }
  return root + "\\" + relative;
}

void UnpackEntries(const ZipReader& reader, const std::string& staging) {
  for (const EntryInfo& entry : reader.entries()) {
    const std::string path = PrepareEntryPath(staging, entry.name);
    if (entry.is_folder) {
      MakeFolder(path);
      continue;
    }
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseLastError("cannot create " + path);
    reader.Extract(entry, [&](std::string_view piece) { WriteAll(file.get(), piece, path); });
  }
}

// Moves what the staging folder holds into the destination, folder by folder; the
// files moved so far are listed so that a failure can take them out again.
void MoveInto(const std::string& from, const std::string& to, std::vector<std::string>& moved) {
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA((from + "\\*").c_str(), &found));
  if (!find) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string source = from + "\\" + name;
    const std::string target = to + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      MakeFolder(target);
      MoveInto(source, target, moved);
      continue;
    }
    if (!::MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      RaiseLastError("cannot move " + source + " to " + target);
    }
    moved.push_back(target);
  } while (::FindNextFileA(find.get(), &found));
}

void Unzip(const std::string& zip_path, const std::string& destination) {
  const std::string archive = ReadInput(zip_path);
  const ZipReader reader(archive);
  const std::string staging = destination + kStagingSuffix;
  RemoveTree(staging);  // left over from a run that was cut off
  try {
    MakeFolder(staging);
    UnpackEntries(reader, staging);
    MakeFolder(destination);
    std::vector<std::string> moved;
    try {
      MoveInto(staging, destination, moved);
    } catch (...) {
      for (const std::string& file : moved) ::DeleteFileA(file.c_str());
      throw;
    }
  } catch (...) {
    RemoveTree(staging);
    throw;
  }
  RemoveTree(staging);
}

DosTime DosNow() {
  const DateTime now = Now();
  return ToDosTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

void Pack(const std::string& source_folder, const std::vector<std::string>& names,
          const std::string& zip_path) {
  ZipWriter writer;
  for (const std::string& name : names) {
    writer.Add(name, ReadInput(source_folder + "\\" + name), DosNow());
  }
  const std::string archive = writer.Finish();
  const std::string partial = zip_path + kPartialSuffix;
  {
    FileHandle file(::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseLastError("cannot create " + partial);
    try {
      WriteAll(file.get(), archive, partial);
    } catch (...) {
      file.reset();
      ::DeleteFileA(partial.c_str());
      throw;
    }
  }
  if (!::MoveFileExA(partial.c_str(), zip_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileA(partial.c_str());
    RaiseLastError("cannot replace " + zip_path);
  }
}

template <typename Fn>
bool Reporting(std::string* failure, Fn&& fn) {
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    if (failure) *failure = e.what();
    return false;
  }
}

}  // namespace

bool UnzipFile(const std::string& zip_path, const std::string& destination, std::string* failure) {
  return Reporting(failure, [&] { Unzip(zip_path, destination); });
}

bool ZipFiles(const std::string& source_folder, const std::vector<std::string>& names,
              const std::string& zip_path, std::string* failure) {
  return Reporting(failure, [&] { Pack(source_folder, names, zip_path); });
}

}  // namespace vorms::zip
