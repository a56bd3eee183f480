// The cleanup tool's pattern number, read from its own "/VL" listing.
#pragma once

#include <string>

namespace vorms {

// The pattern number of the tool at path (empty: the unpacked copy in "temp"), "0" after
// an error, empty text when the listing has no usable line. Errors never leave it.
std::string GET_TSC_PATTERN_VERSION_FROM_DOS(const std::string& path = {});

// The whole "/VL" listing of the unpacked copy; errors reach the caller.
std::string GetTscListing();

// Program folder + "\temp\tsc.exe".
std::string UnpackedToolPath();

}  // namespace vorms
