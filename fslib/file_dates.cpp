#include "file_dates.h"

#include "conversions.h"
#include "handles.h"
#include "warnings.h"

namespace vorms::fslib {
namespace {

FileHandle OpenExisting(const std::string& file, DWORD access, DWORD share) {
  return FileHandle(
      ::CreateFileA(file.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// The universal file time of a local date-time text.
std::optional<FILETIME> FileTimeOf(const std::string& stamp) {
  std::optional<SYSTEMTIME> local = ParseDateTimeText(stamp);
  FILETIME local_time, universal;
  if (!local || !::SystemTimeToFileTime(&*local, &local_time) ||
      !::LocalFileTimeToFileTime(&local_time, &universal)) {
    return std::nullopt;
  }
  return universal;
}

WORD NumberAt(const std::string& text, std::size_t from, std::size_t count = std::string::npos) {
  return static_cast<WORD>(LeadingNumber(std::string_view(text).substr(from, count)));
}

}  // namespace

std::string DateStampText(const DateTime& t) {
  return std::to_string(t.day) + "/" + std::to_string(t.month) + "/" + std::to_string(t.year) +
         "  " + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
         std::to_string(t.second);
}

std::optional<SYSTEMTIME> ParseDateTimeText(const std::string& text) {
  const auto npos = std::string::npos;
  std::size_t slash1 = text.find('/');
  std::size_t slash2 = slash1 == npos ? npos : text.find('/', slash1 + 1);
  std::size_t blanks = text.find("  ");
  std::size_t colon1 = blanks == npos ? npos : text.find(':', blanks);
  std::size_t colon2 = colon1 == npos ? npos : text.find(':', colon1 + 1);
  if (slash2 == npos || colon2 == npos) {
    ReportWarning("Entrez la date et l'heure au format : jj/mm/aaaa  hh:mm:ss !");
    return std::nullopt;
  }
  SYSTEMTIME t{};
  t.wDay = NumberAt(text, 0, slash1);
  std::size_t month_length = slash2 - slash1 - 1;
  t.wMonth = NumberAt(text, slash1 + 1, month_length);
  t.wYear = NumberAt(text, slash2 + 1, month_length + 3);
  t.wHour = NumberAt(text, blanks + 2, colon1 - blanks - 2);
  t.wMinute = NumberAt(text, colon1 + 1, colon2 - colon1 - 1);
  t.wSecond = NumberAt(text, colon2 + 1);
  return t;
}

bool FILE_CHANGE_DATE_TO_NOW(const std::string& sFile, const StampReceiver& NewDateCreated) {
  if (!OpenExisting(sFile, GENERIC_READ, FILE_SHARE_READ)) return false;
  const std::string stamp = DateStampText(Now());
  NewDateCreated(stamp);
  FileHandle file = OpenExisting(sFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!file) return false;
  std::optional<FILETIME> time = FileTimeOf(stamp);
  return time && ::SetFileTime(file.get(), &*time, &*time, &*time);
}

}  // namespace vorms::fslib
