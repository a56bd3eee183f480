// One check: retrieval, update decision, installation, stamping and notification, each
// step going on only when the one before answered true. The steps live in their own
// modules and join the chain here; a step the chain has not been given counts as false,
// so a missing step can never pass for a success.
#pragma once

#include <functional>

namespace vorms {

struct CheckChain {
  std::function<bool()> HTTP_GET_FILE;         // release page, then the package
  std::function<bool()> StartFTP;              // the newest package on the FTP folder
  std::function<bool()> IsIsUpdateOfficescan;  // the server's copy is older
  std::function<bool()> UpdateTSC;             // newer files copied into ADMIN
  std::function<bool()> ApplyTmTouch;          // installed files stamped with now
  std::function<bool()> SMTP_Notify;           // the mail (its answer is not used)
};

// The steps every later Launch runs.
void SetCheckChain(CheckChain chain);

// One check, with the steps given.
void Launch();

}  // namespace vorms
