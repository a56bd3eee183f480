#include "message_box.h"

#include <cstdio>

#include "program.h"

namespace vorms {
namespace {

bool HasVisibleDesktop() {
  HWINSTA station = ::GetProcessWindowStation();
  USEROBJECTFLAGS flags{};
  if (station == nullptr ||
      !::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
    return false;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

int WriteToStandardError(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  return IDOK;
}

}  // namespace

int ShowMessage(const std::string& text, UINT flags) {
  if (!HasVisibleDesktop()) return WriteToStandardError(text);
  int pressed = ::MessageBoxA(nullptr, text.c_str(), ProgramTitle().c_str(), flags);
  return pressed > 0 ? pressed : WriteToStandardError(text);
}

}  // namespace vorms
