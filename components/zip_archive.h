// The zip container: a reader that checks everything it takes from the archive before
// using it, and a writer for small archives built in memory. Plain C++ over zlib, with no
// Win32 calls, so that the reader can also be built natively and fuzzed.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorms::zip {

// What an archive may unpack to in all; a larger one is refused as a whole.
inline constexpr uint64_t kMaxUnpackedTotal = uint64_t{1} << 30;

// A damaged, unsupported or unsafe archive; the text says which entry and why.
class ZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct EntryInfo {
  std::string name;  // as stored, with "/" between folders
  bool is_folder = false;
  uint16_t method = 0;  // 0 stored, 8 deflated
  uint32_t crc = 0;
  uint64_t packed_size = 0;
  uint64_t size = 0;
  uint64_t data_offset = 0;  // where the packed bytes begin in the archive
};

// Reads an archive held in memory. The constructor checks the whole directory (names,
// declared sizes against the archive's bounds and the total limit, local headers) and
// refuses the archive when any entry fails; Extract then checks each entry's size and CRC
// while it unpacks.
class ZipReader {
 public:
  explicit ZipReader(std::string_view archive, uint64_t max_total = kMaxUnpackedTotal);

  const std::vector<EntryInfo>& entries() const { return entries_; }

  // Unpacks one entry, handing its bytes out in pieces of at most 64 KiB. Raises ZipError
  // when the data is damaged or does not match its CRC or declared size.
  void Extract(const EntryInfo& entry, const std::function<void(std::string_view)>& out) const;

  // The whole entry as one text (for small entries and tests).
  std::string ExtractToString(const EntryInfo& entry) const;

 private:
  std::string_view archive_;
  std::vector<EntryInfo> entries_;
};

// An entry name is safe to unpack below a folder: relative, no drive, no "..", no
// characters a Windows file name cannot hold.
bool IsSafeEntryName(std::string_view name);

// MS-DOS date and time fields of an entry.
struct DosTime {
  uint16_t time = 0;
  uint16_t date = (1 << 5) | 1;  // 1980-01-01
};
DosTime ToDosTime(int year, int month, int day, int hour, int minute, int second);

// Builds an archive in memory, entries deflated (or stored when that is smaller).
class ZipWriter {
 public:
  void Add(std::string_view name, std::string_view data, DosTime when = {});
  // The archive's bytes; the writer can take no more entries afterwards.
  std::string Finish();

 private:
  std::string body_;
  std::string directory_;
  uint16_t count_ = 0;
  bool finished_ = false;
};

}  // namespace vorms::zip
