// Figure, not pass or fail: how long the installation steps take for a 5 MB package lying
// in the program folder (unpack, version probe, decision, copy into ADMIN, stamps).
//   install_speed PACKAGE_FOLDER   the folder holding tsc.zip, made by scripts/bench
#include <windows.h>

#include <cstdio>
#include <string>

#include "com_objects.h"
#include "com_client.h"
#include "memory_values.h"
#include "package_store.h"
#include "settings.h"
#include "test_support.h"
#include "tsc_update.h"

int main(int argc, char** argv) {
  using namespace vorms;
  if (argc != 2) {
    std::fprintf(stderr, "usage: install_speed PACKAGE_FOLDER\n");
    return 2;
  }
  const std::string ostrilen = test::BuildFolder() + "\\Ostrilen.dll";
  if (test::Regsvr32("/s", ostrilen) != 0) {
    std::fprintf(stderr, "Ostrilen.dll could not be registered\n");
    return 1;
  }
  ComApartment com;
  bool installed = false;
  double ms = 0;
  {
    test::ProgramSandbox sandbox;
    memory::SetOfficeScanRoot(sandbox.File("PCCSRV"));
    test::CopyFileTo(std::string(argv[1]) + "\\tsc.zip", sandbox.File("tsc.zip"));
    memory::SetNewFileDownloaded(sandbox.File("tsc.zip"));
    LARGE_INTEGER start, end, frequency;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    installed = IsIsUpdateOfficescan() && UpdateTSC() && ApplyTmTouch();
    ::QueryPerformanceCounter(&end);
    ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    installed = installed && test::FileExists(sandbox.File("PCCSRV\\ADMIN\\tsc.ptn"));
  }
  test::Regsvr32("/s /u", ostrilen);
  if (!installed) {
    std::fprintf(stderr, "the package was not installed\n");
    return 1;
  }
  std::printf("install_ms %.1f\n", ms);
  return 0;
}
