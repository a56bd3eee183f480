// The version facts stored in a file's version resource.
#pragma once

#include <string>
#include <vector>

namespace vorms::fslib {

// The twelve standard string names of a version resource, in the resource's usual order.
const std::vector<std::string>& VersionStringNames();

// One entry per name: name + ": " + value where the resource holds the name, the bare
// name where it does not. Empty when the file is missing or has no version resource.
std::vector<std::string> VersionStrings(const std::string& file);

// The value after the first ":" of the last entry that contains key (the whole entry
// when it has no colon); empty text when no entry contains it.
std::string VersionStringValue(const std::vector<std::string>& table, const std::string& key);

// The string getters: FileVersion and SpecialBuild come back trimmed, ProductVersion and
// PrivateBuild unchanged (beginning with the blank after the colon). A file whose
// resource lacks the key gives the key's name; a missing file gives empty text.
std::string Get_File_FileVersion(const std::string& file);
std::string Get_File_ProductVersion(const std::string& file);
std::string Get_File_Private_Build(const std::string& file);
std::string Get_File_Special_build(const std::string& file);

// The file version of the resource's fixed part, "a.b.c.d"; empty text without one.
std::string Get_FileInfo_Version(const std::string& file);

}  // namespace vorms::fslib
