// What a request could do if a decoder were taken over: the test build of the host answers this
// opcode by trying, from the listener thread, things that the sandbox must refuse.
#pragma once

#include "rpc/archive_over_buffer.h"
#include "rpc/server_handler.h"

namespace zel {

// The request carries the opcode, then the wide paths of a file to read and of a file to create,
// both outside the host's own folders. The reply holds one Int per attempt, in the order of
// SandboxProbeAttempt: 0 when the attempt succeeded, else the system error code.
void AnswerSandboxProbe(vesk::CArchiveOverBuffer& request, vesku_rpc::IServerResponder& responder);

}  // namespace zel
