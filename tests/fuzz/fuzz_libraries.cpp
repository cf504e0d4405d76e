#include "tests/fuzz/fuzz_libraries.h"

#include <Magick++.h>

#include <filesystem>
#include <string>

#include "imaging/image_library.h"
#include "pdfium/fpdfview.h"
#include "platform/environment.h"
#include "platform/thread.h"

namespace zel_fuzz {

void SetUpDecodingLibraries() {
  // One thread per decode: the fuzzer's own parallelism is its jobs, and the machine is shared.
  zel::platform::SetEnvironmentVariable("MAGICK_THREAD_LIMIT", "1");
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("zel_fuzz_" + std::to_string(zel::platform::CurrentProcessId()));
  zel::SetUpImageLibrary(folder.u16string(), true);
  // A few bytes of GIF or PNG can declare a picture of the library's full area limit; such
  // inputs are legal but cost seconds each under the sanitizers. A lower limit keeps them failing
  // fast, so the fuzzer spends its time on coverage. Set-up makes the host's limits the library's
  // own, so this one is lowered afterwards.
  MagickCore::SetMagickResourceLimit(MagickCore::AreaResource, 16000000);
  FPDF_InitLibrary();
}

}  // namespace zel_fuzz
