// A download written under a temporary name beside its destination and renamed into
// place only when it is complete: a broken transfer never leaves a file that a later
// step could take for the real one.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"

namespace vorms {

class StagedFile {
 public:
  // Removes what lies at destination, then opens a fresh temporary file in its folder.
  // Throws nothing: check ok() and error().
  explicit StagedFile(std::string destination);
  ~StagedFile();  // deletes the temporary file unless it was committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  bool ok() const { return error_ == 0; }
  DWORD error() const { return error_; }
  bool Write(const void* data, DWORD size);
  // Closes the file and renames it to the destination.
  bool Commit();

 private:
  std::string destination_;
  std::string temp_;
  FileHandle file_;
  DWORD error_ = 0;
  bool committed_ = false;
};

}  // namespace vorms
