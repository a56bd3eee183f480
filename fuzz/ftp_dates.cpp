// The FTP road's date texts: a listing date or an MDTM reply either reads as a real
// calendar date, whose 14-digit form has 14 digits, or is refused (13 / no value).
#include <cstdint>
#include <string>
#include <string_view>

#include "date_text.h"
#include "fuzz_check.h"
#include "net_text.h"

using namespace vorms;
using namespace vorms::net;
using fuzz::Check;
using fuzz::CheckNumber;

namespace {

void CheckNumeric(const DateTime& t) {
  const std::string digits = NumericDate(t);
  Check(digits.size() == 14, "14 digits");
  for (char c : digits) Check(c >= '0' && c <= '9', "digits only");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    CheckNumeric(ParseDateTimeText(text));
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kTypeMismatch});
  }
  if (auto mdtm = ParseMdtmReply(text)) CheckNumeric(*mdtm);
  (void)SplitHostPort(text);
  (void)SplitHttpUrl(text);
  (void)ParseFtpProxy(text);
  (void)MatchesListPattern(text, "tsc*.zip");
  (void)IsPlainFileName(text);
  return 0;
}
