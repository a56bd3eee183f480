#include "staged_file.h"

#include "files.h"

namespace vorms {
namespace {

// A bare file name lies in the current folder.
std::string FolderFor(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder.empty() ? std::string(".") : folder;
}

}  // namespace

StagedFile::StagedFile(std::string destination) : destination_(std::move(destination)) {
  if (::GetFileAttributesA(destination_.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !::DeleteFileA(destination_.c_str())) {
    error_ = ::GetLastError();
    return;
  }
  char temp[MAX_PATH];
  if (!::GetTempFileNameA(FolderFor(destination_).c_str(), "vdl", 0, temp)) {
    error_ = ::GetLastError();
    return;
  }
  temp_ = temp;
  file_.reset(::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) error_ = ::GetLastError();
}

StagedFile::~StagedFile() {
  file_.reset();
  if (!committed_ && !temp_.empty()) ::DeleteFileA(temp_.c_str());
}

bool StagedFile::Write(const void* data, DWORD size) {
  if (!ok()) return false;
  DWORD written = 0;
  if (!::WriteFile(file_.get(), data, size, &written, nullptr) || written != size) {
    error_ = ::GetLastError();
    if (error_ == 0) error_ = ERROR_WRITE_FAULT;
    return false;
  }
  return true;
}

bool StagedFile::Commit() {
  if (!ok()) return false;
  if (!::FlushFileBuffers(file_.get())) {
    error_ = ::GetLastError();
    return false;
  }
  file_.reset();
  if (!::MoveFileExA(temp_.c_str(), destination_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error_ = ::GetLastError();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace vorms
