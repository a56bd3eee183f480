// Small facts about the machine and its folders.
#pragma once

#include <string>

namespace vorms::fslib {

// The greatest pattern number (the last three characters of the names of the files
// MyRoot\lpt$vpn.*), compared as text; "0" when there is none or the folder is missing.
std::string PatternFolderVersion(const std::string& MyRoot);

// "NT" on the NT platform, "9x" otherwise.
std::string OperatingSystemType();

// Total physical memory in kilobytes, as decimal text.
std::string MEMORY_GET_FROM_OS();

// Whether the default locale's language is one of the French ones.
bool OperatingSystem_IFitIsFrench();
// The same decision for a four-character language identifier ("040c", "0809", ...).
bool IsFrenchLanguageId(const std::string& language_id);

// The system folder as Windows gives it (no trailing backslash); empty text on failure.
std::string GET_SYSTEM32_FOLDER();

}  // namespace vorms::fslib
