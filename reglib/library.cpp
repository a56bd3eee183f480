// Tavelund.dll: the registry library's classes and its four COM entry points.
#include "com_server.h"
#include "dispatch.h"
#include "reg_sz.h"
#include "s_registries.h"

namespace {

const vorms::com::CoClass kClasses[] = {
    {CLSID_sRegistries, "sRegistries", vorms::com::Create<vorms::reglib::sRegistries>},
    {CLSID_RegSz, "RegSz", vorms::com::Create<vorms::reglib::RegSz>},
};

const vorms::com::Library kTavelund{"Tavelund", kClasses};

}  // namespace

VORMS_COM_SERVER_EXPORTS(kTavelund)
