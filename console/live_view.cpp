#include "live_view.h"

#include <windows.h>

#include <algorithm>

#include "handles.h"

namespace vorms::console {
namespace {

// The file's size without opening it; nullopt-like false when there is no such file.
bool CurrentSize(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// Splits text into lines at LF (a CR before it is dropped); returns how many bytes the
// complete lines took. With force, a text without any line end counts as one line.
uint64_t CompleteLines(const std::string& text, bool force, std::vector<std::string>* lines) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;
    std::size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
    lines->emplace_back(text, start, stop - start);
    start = end + 1;
  }
  if (start == 0 && force && !text.empty()) {
    lines->push_back(text);
    return text.size();
  }
  return start;
}

}  // namespace

LiveView::LiveView(std::string path) : path_(std::move(path)) {}

void LiveView::StartOver() {
  seen_size_ = 0;
  shown_to_ = 0;
  lines_shown_ = 0;
}

std::vector<std::string> LiveView::Poll() {
  std::vector<std::string> lines;
  uint64_t size = 0;
  if (!CurrentSize(path_, &size)) size = 0;
  if (size == seen_size_) return lines;

  FileHandle file(::CreateFileA(path_.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    // Gone: what it held has been shown; a new file is read from its start.
    StartOver();
    return lines;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(file.get(), &info)) {
    Identity now{info.dwVolumeSerialNumber,
                 (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (!(now == identity_)) {
      identity_ = now;
      StartOver();
    }
  }
  if (size < shown_to_) StartOver();

  const uint64_t want = std::min(size - shown_to_, kMostBytesPerPoll);
  std::string text(static_cast<std::size_t>(want), '\0');
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(shown_to_);
  DWORD read = 0;
  if (want == 0 || !::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
      !::ReadFile(file.get(), text.data(), static_cast<DWORD>(want), &read, nullptr)) {
    seen_size_ = size;
    return lines;
  }
  text.resize(read);
  const bool cut = shown_to_ + read < size;
  // A backlog cut at the limit may end inside a line longer than the limit itself:
  // that piece is shown as it is rather than blocking the feed.
  shown_to_ += CompleteLines(text, cut && read == kMostBytesPerPoll, &lines);
  lines_shown_ += static_cast<double>(lines.size());
  // What was not read yet, or a line still being written, makes the next poll read.
  seen_size_ = cut ? shown_to_ : size;
  return lines;
}

}  // namespace vorms::console
