// The check chain of the running service: the two retrieval roads, the decision, the
// installation, the stamps and the mail, as the service's modules provide them.
#pragma once

#include "check_chain.h"

namespace vorms {

CheckChain ServiceCheckChain();

}  // namespace vorms
