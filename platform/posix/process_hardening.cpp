#include "platform/process_hardening.h"

#include <malloc.h>
#include <sys/prctl.h>

#include <cerrno>

#include "platform/error_codes.h"

// The C library headers of the build machine may predate the memory-deny-write-execute controls.
#ifndef PR_SET_MDWE
#define PR_SET_MDWE 65
#endif
#ifndef PR_MDWE_REFUSE_EXEC_GAIN
#define PR_MDWE_REFUSE_EXEC_GAIN (1UL << 0)
#endif

namespace zel::platform {

void EnableHeapTerminationOnCorruption() {
  // Bit 1 of the check action: abort (with no attempt to carry on) when a check fails. Bit 2 would
  // only shorten the diagnostic; the crash handlers write the dump either way.
  mallopt(M_CHECK_ACTION, 2);
}

int32_t ProhibitDynamicCodeExecution() {
  if (prctl(PR_SET_MDWE, PR_MDWE_REFUSE_EXEC_GAIN, 0L, 0L, 0L) == 0) return 0;
  // A kernel without the control rejects the unknown option itself with EINVAL.
  return errno == EINVAL ? kErrorNotSupported : errno;
}

}  // namespace zel::platform
