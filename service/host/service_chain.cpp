#include "service_chain.h"

#include "ftp_retrieval.h"
#include "http_retrieval.h"
#include "smtp_notify.h"
#include "tsc_update.h"
#include "version_probe.h"

namespace vorms {

CheckChain ServiceCheckChain() {
  CheckChain chain;
  chain.HTTP_GET_FILE = HTTP_GET_FILE;
  chain.StartFTP = StartFTP;
  chain.IsIsUpdateOfficescan = IsIsUpdateOfficescan;
  chain.UpdateTSC = UpdateTSC;
  chain.ApplyTmTouch = ApplyTmTouch;
  chain.SMTP_Notify = [] { return SMTP_Notify({GetTscListing, PackFiles}); };
  return chain;
}

}  // namespace vorms
