// CServerHandler::HandleRequest over arbitrary request payloads, as a hostile or broken viewer
// could post them. The responder hands out a reply buffer of exactly the asked size; a job must
// ask at most once, for a size that its pixels (inside the handler's byte budget) and headers can
// account for.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "rpc/archive_over_buffer.h"
#include "rpc/server_handler.h"
#include "service/server_handler.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_libraries.h"

namespace {

// Small, so that what any input can make the decoder produce stays cheap.
constexpr int32_t kByteBudget = 256 * 1024;

class ExactResponder : public vesku_rpc::IServerResponder {
 public:
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size, int32_t) override {
    GetReplyBuffer(archive, size);
  }
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) override {
    zel_fuzz::Check(!asked_);
    // The pixels fit the budget; the rest is 64 bytes of headers per frame at most, and an input
    // of at most 1 MiB cannot hold a million frames.
    zel_fuzz::Check(size >= 8 && size <= kByteBudget + (64 << 20));
    asked_ = true;
    buffer_.assign(static_cast<size_t>(size), 0);
    archive.BindForWriting(buffer_.data(), size);
  }

 private:
  bool asked_ = false;
  std::vector<uint8_t> buffer_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  static zel::CServerHandler handler(kByteBudget);
  // An exact copy: a read past the request's end is a sanitizer report, not a quiet read.
  std::vector<uint8_t> request(data, data + size);
  ExactResponder responder;
  try {
    handler.HandleRequest(request.data(), static_cast<int32_t>(request.size()), responder);
  } catch (const std::exception&) {
    // Every failure of a request is an exception the transport turns into an error reply.
  }
  return 0;
}
