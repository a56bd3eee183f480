// The zip component as the service uses it: unpack a package into a folder, pack files
// of a folder into an archive. Each reports success as a flag, with the reason of a
// failure for the log.
#pragma once

#include <string>
#include <vector>

namespace vorms::zip {

// Unpacks every entry of the archive into the destination folder (made when missing).
// The entries go first into a staging folder beside the destination and are moved into
// it only when every one of them unpacked and checked; a failure leaves the destination
// as it was. False, with the reason in *failure, for a missing, damaged or unsafe
// archive or a disk error.
bool UnzipFile(const std::string& zip_path, const std::string& destination,
               std::string* failure = nullptr);

// Packs the named files of the source folder, by their names, into zip_path. The archive
// is written beside its final name and takes that name only when complete, so a failure
// never leaves a partial archive. False, with the reason in *failure, when a file is
// missing or cannot be read, or the archive cannot be written.
bool ZipFiles(const std::string& source_folder, const std::vector<std::string>& names,
              const std::string& zip_path, std::string* failure = nullptr);

}  // namespace vorms::zip
