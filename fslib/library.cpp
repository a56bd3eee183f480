// Ostrilen.dll: the file-system and network library's classes and its four COM entry
// points.
#include "com_server.h"
#include "dispatch.h"
#include "file_system.h"
#include "tcpip.h"

namespace {

const vorms::com::CoClass kClasses[] = {
    {CLSID_FileSystem, "FileSystem", vorms::com::Create<vorms::fslib::FileSystem>},
    {CLSID_tcpip, "tcpip", vorms::com::Create<vorms::fslib::tcpip>},
};

const vorms::com::Library kOstrilen{"Ostrilen", kClasses};

}  // namespace

VORMS_COM_SERVER_EXPORTS(kOstrilen)
