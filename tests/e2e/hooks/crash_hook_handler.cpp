// The handler served by the test build of the host (zelHost_testhooks): the real request handler
// plus extra opcodes that crash or stall the listener thread that takes them, so tests can drive
// the crash path and the client's time-out end to end, and one that tries from inside a request
// what the sandbox must refuse. The shipped zelHost links host/served_handler.cpp instead.
#include <chrono>
#include <csignal>
#include <exception>
#include <thread>

#include "host/served_handler.h"
#include "rpc/archive_values.h"
#include "tests/e2e/hooks/sandbox_probe.h"
#include "tests/e2e/hooks/test_opcodes.h"

namespace zel {

namespace {

int32_t OpcodeOf(const uint8_t* payload, int32_t length) {
  try {
    vesk::CArchiveOverBuffer peek(payload, length);
    return vesk::ReadInt(peek);
  } catch (const std::exception&) {
    return 0;  // the real handler reports what is wrong with it
  }
}

class CCrashHookHandler : public vesku_rpc::IServerHandler {
 public:
  explicit CCrashHookHandler(CServerHandler& inner) : inner_(inner) {}

  void HandleRequest(const uint8_t* payload, int32_t length,
                     vesku_rpc::IServerResponder& responder) override {
    const int32_t opcode = OpcodeOf(payload, length);
    if (opcode == kCrashOpcode) std::raise(SIGSEGV);
    if (opcode == kStallOpcode) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    if (opcode == kSandboxProbeOpcode) {
      vesk::CArchiveOverBuffer request(payload, length);
      vesk::ReadInt(request);
      AnswerSandboxProbe(request, responder);
      return;
    }
    inner_.HandleRequest(payload, length, responder);
  }

 private:
  CServerHandler& inner_;
};

}  // namespace

vesku_rpc::IServerHandler& ServedHandler(CServerHandler& handler) {
  static CCrashHookHandler hooked(handler);
  return hooked;
}

}  // namespace zel
