// The handler served by the test build of the host (zelHost_testhooks): the real request handler
// plus extra opcodes that crash, stall, hang or over-allocate in the listener thread that takes
// them, so tests can drive the crash path, the client's time-out and the host's own limits end to
// end; one that tries from inside a request what the sandbox must refuse; and an empty bitmap for
// one file name, so they can see how the client takes a reply no host should send. The shipped
// zelHost links host/served_handler.cpp instead.
#include <chrono>
#include <csignal>
#include <exception>
#include <iostream>
#include <memory>
#include <thread>

#include "host/served_handler.h"
#include "protocol/messages.h"
#include "rpc/archive_values.h"
#include "service/send_reply.h"
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

// Whether a ConvertToBitmap request names kEmptyFrameFileName.
bool AsksForEmptyFrame(const uint8_t* payload, int32_t length) {
  try {
    vesk::CArchiveOverBuffer peek(payload, length);
    vesk::ReadInt(peek);
    return protocol::Read<protocol::BitmapRequest>(peek).name == kEmptyFrameFileName;
  } catch (const std::exception&) {
    return false;
  }
}

// A still image of no pixels, as a host that failed to notice an empty read would send.
void AnswerEmptyFrame(vesku_rpc::IServerResponder& responder) {
  SendReply(responder, [](auto& reply) {
    protocol::Write(reply, protocol::BitmapHeader{});
    vesk::WriteBinary(reply, vesk::BinaryView{});
  });
}

// Replies 0 when the allocation succeeds; a failed one throws, and the transport replies an error.
void Allocate(const uint8_t* payload, int32_t length, vesku_rpc::IServerResponder& responder) {
  vesk::CArchiveOverBuffer request(payload, length);
  vesk::ReadInt(request);
  const size_t bytes = static_cast<size_t>(vesk::ReadInt(request)) << 20;
  // Touched in one byte only: the limit counts what is asked for, and a success must not cost the
  // machine. The volatile store keeps the compiler from leaving the allocation out.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[bytes]);
  static_cast<volatile uint8_t*>(block.get())[0] = 1;
  vesk::CArchiveOverBuffer reply;
  responder.GetReplyBuffer(reply, 8);
  vesk::WriteInt(reply, 0);
}

class CCrashHookHandler : public vesku_rpc::IServerHandler {
 public:
  explicit CCrashHookHandler(CServerHandler& inner) : inner_(inner) {}

  void HandleRequest(const uint8_t* payload, int32_t length,
                     vesku_rpc::IServerResponder& responder) override {
    const int32_t opcode = OpcodeOf(payload, length);
    if (opcode == kCrashOpcode) std::raise(SIGSEGV);
    if (opcode == kStallOpcode) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    if (opcode == static_cast<int32_t>(protocol::Opcode::ConvertToBitmap) &&
        AsksForEmptyFrame(payload, length)) {
      AnswerEmptyFrame(responder);
      return;
    }
    if (opcode == kHangOpcode) {
      std::cout << kHangingText << std::endl;
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    if (opcode == kAllocateOpcode) {
      Allocate(payload, length, responder);
      return;
    }
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

// Short enough for tests to wait out, long enough for the stall opcode and any test file.
RequestTimeLimits ServedTimeLimits() { return {kTestTimeLimitMs, kTestTimeGraceMs}; }

}  // namespace zel
