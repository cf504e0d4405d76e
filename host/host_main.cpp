#include "host/host_main.h"

#include <exception>
#include <iostream>

#include "host/command_line.h"
#include "host/enter_sandbox.h"
#include "host/parent_process.h"
#include "host/prohibit_dynamic_code.h"
#include "host/run_server.h"
#include "imaging/image_library.h"
#include "pdfium/fpdfview.h"
#include "platform/create_folder.h"
#include "platform/memory_reuse.h"
#include "platform/path.h"
#include "platform/process_hardening.h"
#include "platform/process_limits.h"
#include "tools/convert_tool.h"
#include "tools/detection_bench.h"
#include "util/crash_handlers.h"

namespace zel {

namespace {

void SelfInitialise() {
  SetUpImageLibrary(u".", false);
  FPDF_InitLibrary();
  ProhibitDynamicCode();
}

void ServerMode(const std::vector<std::u16string>& arguments) {
  // First, so that a viewer killed at any later point takes the host with it.
  if (const int32_t code = platform::EndWithParentProcess(); code != 0) {
    std::cerr << "zelHost: cannot end with the viewer. Error: " << code << "\n";
  }
  platform::KeepFreedMemoryForReuse();
  const uint64_t waitHandle = arguments.size() == 5 ? ParseUnsigned64(arguments[4]) : 0;
  // Before any start-up work, while the parent is still the viewer that started the host.
  const ParentProcess viewer = waitHandle == 0 ? ParentProcess::Record() : ParentProcess();

  // The separator is appended even when the folder already ends in one; the doubled separator is
  // harmless to the file system.
  const std::u16string workFolder = arguments[3] + platform::kPathSeparator;
  const std::u16string dumpsFolder = workFolder + u"dumps";
  const std::u16string tempFolder = workFolder + u"temp";

  // An existing folder is fine, and a missing one only costs the dump of a later crash.
  platform::CreateFolder(dumpsFolder);
  vesku::InstallCrashHandlers(dumpsFolder + platform::kPathSeparator + u"zelHost.dmp");
  SetUpImageLibrary(tempFolder, true);
  FPDF_InitLibrary();
  ProhibitDynamicCode();

  const int32_t bufferSize = ParseInt(arguments[2]);
  const int32_t listenerCount = ParseInt(arguments[1]);
  RunServer(arguments[0], listenerCount, bufferSize, waitHandle, viewer,
            [&] { EnterServerSandbox(tempFolder, dumpsFolder); });
}

}  // namespace

int HostMain(const std::vector<std::u16string>& arguments) {
  platform::EnableHeapTerminationOnCorruption();
  const size_t count = arguments.size();
  try {
    if (count == 0) {
      SelfInitialise();
      return 0;
    }
    if ((count == 2 || count == 3) && arguments[0] == u"--bench-detect") {
      return RunDetectionBench(arguments[1], count == 3 && arguments[2] == u"--oracle");
    }
    // "--convert" belongs to the convert tool whatever follows it, so it never starts server mode.
    if (arguments[0] == u"--convert") {
      // The tool reads the command line as a whole, program first; it never looks at the program.
      std::vector<std::u16string> argv{u"zelHost"};
      argv.insert(argv.end(), arguments.begin(), arguments.end());
      return RunConvertTool(argv);
    }
    if (count == 4 || count == 5) {
      ServerMode(arguments);
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 0;
  }
  std::cerr << "Invalid arguments\n";
  return 1;
}

}  // namespace zel
