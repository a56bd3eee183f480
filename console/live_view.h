// The live view's reader of the service's feed Realtime.log: each poll reads only the
// bytes added since the last one, so its cost does not grow with the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorms::console {

class LiveView {
 public:
  explicit LiveView(std::string path);

  // The complete lines added since the last poll, oldest first, without their line
  // ends. A line still being written (no line end yet) waits for the next poll. A file
  // that shrank or was recreated is shown again from its start.
  std::vector<std::string> Poll();

  // The size of the file when it was last read, and the number of its lines shown.
  double RealtimeSize() const { return static_cast<double>(seen_size_); }
  double RealtimeLines() const { return lines_shown_; }

  // Most bytes one poll reads; a bigger backlog is shown over the following polls, so
  // that the window never freezes on a huge feed.
  static constexpr uint64_t kMostBytesPerPoll = 4 * 1024 * 1024;

 private:
  struct Identity {
    unsigned long volume = 0;
    uint64_t index = 0;
    bool operator==(const Identity&) const = default;
  };

  void StartOver();

  std::string path_;
  uint64_t seen_size_ = 0;  // file size at the last read
  uint64_t shown_to_ = 0;   // offset just past the last complete line shown
  double lines_shown_ = 0;
  Identity identity_;
};

}  // namespace vorms::console
