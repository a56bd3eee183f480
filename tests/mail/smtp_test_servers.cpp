#include "smtp_test_servers.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "test_support.h"

namespace vorms::test {
namespace {

// The Unix state folder as Wine's drive Z: shows it.
std::string StateFolder() {
  const char* unix_path = std::getenv("VORMS_SMTP_STATE");
  if (unix_path == nullptr || *unix_path == '\0') {
    throw std::runtime_error("VORMS_SMTP_STATE is not set: run this program through ctest");
  }
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

std::string MailFolder(const std::string& recipient, int n) {
  return StateFolder() + "\\inbox\\" + recipient + "\\" + std::to_string(n);
}

}  // namespace

uint16_t SmtpPort(const std::string& server) {
  const std::string ini = StateFolder() + "\\ports.ini";
  UINT port = ::GetPrivateProfileIntA("ports", server.c_str(), 0, ini.c_str());
  if (port == 0) throw std::runtime_error("no port for the SMTP server " + server + " in " + ini);
  return static_cast<uint16_t>(port);
}

std::string SmtpAddress(const std::string& server) { return "127.0.0.1:" + std::to_string(SmtpPort(server)); }

std::string UniqueRecipient(const std::string& name) {
  static unsigned counter = 0;
  return name + "." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(::GetTickCount64()) + "." +
         std::to_string(++counter) + "@vorms.test";
}

std::string ReceivedMail::File(const std::string& name) const { return ReadFile(folder + "\\" + name); }
bool ReceivedMail::Has(const std::string& name) const { return FileExists(folder + "\\" + name); }

ReceivedMail WaitForMail(const std::string& recipient, int n) {
  const std::string folder = MailFolder(recipient, n);
  if (!WaitFor([&] { return FileExists(folder + "\\done"); }, 10000)) return {};
  return {folder};
}

bool AnyMailTo(const std::string& recipient) { return FileExists(MailFolder(recipient, 1)); }

}  // namespace vorms::test
