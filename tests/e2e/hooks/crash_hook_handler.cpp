// The handler served by the test build of the host (zelHost_testhooks): the real request handler
// plus one extra opcode that crashes the listener thread that takes it, so tests can drive the
// crash path end to end. The shipped zelHost links host/served_handler.cpp instead.
#include <csignal>
#include <exception>

#include "host/served_handler.h"
#include "rpc/archive_values.h"
#include "tests/e2e/hooks/test_opcodes.h"

namespace zel {

namespace {

bool IsCrashRequest(const uint8_t* payload, int32_t length) {
  try {
    vesk::CArchiveOverBuffer peek(payload, length);
    return vesk::ReadInt(peek) == kCrashOpcode;
  } catch (const std::exception&) {
    return false;  // the real handler reports what is wrong with it
  }
}

class CCrashHookHandler : public vesku_rpc::IServerHandler {
 public:
  explicit CCrashHookHandler(CServerHandler& inner) : inner_(inner) {}

  void HandleRequest(const uint8_t* payload, int32_t length,
                     vesku_rpc::IServerResponder& responder) override {
    if (IsCrashRequest(payload, length)) std::raise(SIGSEGV);
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
