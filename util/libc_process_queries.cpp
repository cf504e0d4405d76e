#include "util/libc_process_queries.h"

namespace vesku {

CLibcProcessQueries::CLibcProcessQueries()
    : getppid(nullptr), pidfd_open(nullptr), library_(u"libc.so.6") {
  getppid = library_.GetFunctionAs<GetParentPidFunction>("getppid");
  pidfd_open = library_.GetFunctionAs<PidFdOpenFunction>("pidfd_open");
}

}  // namespace vesku
