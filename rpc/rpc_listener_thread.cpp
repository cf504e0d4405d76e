#include "rpc/rpc_listener_thread.h"

#include <exception>
#include <stdexcept>

#include "platform/crash_dump.h"
#include "platform/wait.h"
#include "util/exceptions.h"

namespace vesku_rpc {

uint32_t CRpcListenerThread::Run(vesk::CRefPtr<SharedThread> self,
                                 vesk::CRefPtr<vesku::ThreadInfo> info) {
  // Handlers run foreign decoders on this thread; a stack overflow there must still reach the crash
  // handlers, which need a signal stack of their own on every thread.
  zel::platform::CrashSignalStack signalStack;
  for (;;) {
    const zel::platform::Handle requestEvent = requestEvent_->Get();
    const zel::platform::Handle stopEvent = info->stopEvent.Get();
    if (requestEvent == nullptr || stopEvent == nullptr) {
      throw std::runtime_error("Handle was released");
    }
    // The stop event goes first so that it wins when both are set.
    zel::platform::WaitResult result;
    if (const int32_t error =
            zel::platform::WaitForEither(stopEvent, requestEvent, kSafetyTimeoutMs, result);
        error != 0) {
      throw vesku::CWinException("WaitFailed", error);
    }
    switch (result) {
      case zel::platform::WaitResult::kFirst:
        info.Reset();
        self.Reset();
        return 0;
      case zel::platform::WaitResult::kSecond:
      case zel::platform::WaitResult::kTimeout:
        break;
    }
    try {
      observer_->OnRequestsPending();
    } catch (const RpcNoDeliver&) {
      observer_->OnNoDeliver();
    } catch (const std::exception&) {
      // One failed pass must not end the listener; the next signal or time-out tries again.
    }
  }
}

}  // namespace vesku_rpc
