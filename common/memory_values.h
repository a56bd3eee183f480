// The service's in-memory values: process-wide, touched only by its main thread.
// Each has one getter and one setter (memory::GetFtpServer, memory::SetFtpServer, ...).
#pragma once

#include <cstdint>
#include <string>

// X(type, name, start value)
#define VORMS_MEMORY_VALUES(X)               \
  X(std::string, OfficeScanRoot, {})         \
  X(std::string, FtpRoot, {})                \
  X(std::string, FtpServer, {})              \
  X(std::string, FtpFolder, {})              \
  X(int16_t, LogsEnabled, 0)                 \
  X(int16_t, DebugOn, 0)                     \
  X(float, ConfigFileSize, 0)                \
  X(std::string, NextRunMinutes, {})         \
  X(std::string, NewFileDownloaded, {})      \
  X(int16_t, DownloadFailed, 0)              \
  X(std::string, TempToolVersion, {})        \
  X(std::string, UpdateReport, {})          \
  X(std::string, FetchedDate, {})           \
  X(bool, ReloadHeld, false)                \
  X(bool, CheckNowHeld, false)

namespace vorms::memory {

#define VORMS_DECLARE_MEMORY_VALUE(Type, Name, Start) \
  Type Get##Name();                                   \
  void Set##Name(const Type& value);
VORMS_MEMORY_VALUES(VORMS_DECLARE_MEMORY_VALUE)
#undef VORMS_DECLARE_MEMORY_VALUE

// Back to the start-up state (empty texts, zeros); for tests.
void ResetAll();

}  // namespace vorms::memory
