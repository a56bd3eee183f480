// The zip reader on any bytes: it refuses with ZipError or hands out entries whose names
// are safe and whose unpacked bytes match their declared sizes, never more than the limit.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "zip_archive.h"

using namespace vorms;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view archive(reinterpret_cast<const char*>(data), size);
  constexpr uint64_t kLimit = 16 << 20;  // keeps a run's memory small; the rule is the same
  try {
    zip::ZipReader reader(archive, kLimit);
    uint64_t total = 0;
    for (const zip::EntryInfo& entry : reader.entries()) {
      Check(zip::IsSafeEntryName(entry.name), "only safe names are listed");
      try {
        uint64_t produced = 0;
        reader.Extract(entry, [&](std::string_view piece) { produced += piece.size(); });
        Check(produced == entry.size, "an entry unpacks to its declared size");
        total += produced;
      } catch (const zip::ZipError&) {
      }
    }
    Check(total <= kLimit, "never more than the limit");
  } catch (const zip::ZipError&) {
  }
  return 0;
}
