// The update decision and the installation of the cleanup tool into the server's ADMIN
// folder: three steps of the check chain.
#pragma once

namespace vorms {

// True when the server's copy is older (version then pattern, compared as text) than
// the unpacked one, or missing. Traps every error.
bool IsIsUpdateOfficescan();

// Copies the newer tsc.exe and the larger tsc.ptn (sizes compared as text) into ADMIN,
// each written beside its target and put in its place in one step. True when it ran to
// its end, false after an error (the text kept in UpdateReport).
bool UpdateTSC();

// Stamps both installed files with now; true when tsc.ptn was stamped. No trap.
bool ApplyTmTouch();

}  // namespace vorms
