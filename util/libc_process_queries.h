// The C library's process queries that the host needs to follow its parent: the parent's process
// id and a descriptor that becomes readable when that process ends. Bound at run time from the
// system's C library, like the other system libraries the host uses.
#pragma once

#include "util/module_loader.h"

namespace vesku {

class CLibcProcessQueries {
 public:
  using GetParentPidFunction = int (*)();
  using PidFdOpenFunction = int (*)(int pid, unsigned int flags);

  // Throws CWinException "Dll not found: libc.so.6" or "Function not found: " + the export.
  CLibcProcessQueries();

  GetParentPidFunction getppid;
  PidFdOpenFunction pidfd_open;

 private:
  CLibrary library_;
};

}  // namespace vesku
