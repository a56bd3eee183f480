// The local package store: the downloaded package unpacked into the program folder's
// "temp", and the version and pattern of that copy kept in [TSC] Version and Pattern.
#pragma once

#include <string>

namespace vorms {

// Makes sure "temp" holds the unpacked tool and stores its version and pattern; true
// when they were refreshed. No trap of its own: errors reach the caller's.
bool FlushLocalValue();

// The newest "tsc*.zip" of the program folder by modification time, empty text when
// there is none.
std::string FindOldDateZipFiles();

// A date-time text as its 14-digit number (yyyymmddhhmmss); empty text when the text is
// not a date.
std::string ChangeTheDateToNumber(const std::string& date);

// The file's version without its dots, "0" when there is no such file.
std::string FileVersionDigits(const std::string& path);

// Program folder + "\temp".
std::string UnpackFolder();

}  // namespace vorms
