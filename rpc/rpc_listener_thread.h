// One listener thread of the server: waits for the request event (or a 10-second safety time-out)
// and lets the server drain every posted request, until its stop event is set.
#pragma once

#include <cstdint>

#include "util/base_guard.h"
#include "util/shared_thread.h"

namespace vesku_rpc {

class IRpcListenerThreadObserver {
 public:
  virtual ~IRpcListenerThreadObserver() = default;
  // Serves posted requests until none is left; returns how many were taken.
  virtual int32_t OnRequestsPending() = 0;
  // The request channel cannot deliver (closed by the viewer, or inconsistent).
  virtual void OnNoDeliver() = 0;
};

class CRpcListener {};

class CRpcListenerThread : public vesku::SharedThread<CRpcListener> {
 public:
  // Time after which a listener looks for requests even without a signal, in case a wake-up was
  // lost while every listener was busy.
  static constexpr uint32_t kSafetyTimeoutMs = 10000;

  // `requestEvent` points at the request channel's event handle, which is read anew on every pass.
  CRpcListenerThread(const vesku::CBaseGuard<vesku::HandleImpl>* requestEvent,
                     IRpcListenerThreadObserver* observer)
      : requestEvent_(requestEvent), observer_(observer) {}

 protected:
  uint32_t Run(vesk::CRefPtr<SharedThread> self, vesk::CRefPtr<vesku::ThreadInfo> info) override;

 private:
  const vesku::CBaseGuard<vesku::HandleImpl>* requestEvent_;
  IRpcListenerThreadObserver* observer_;
};

}  // namespace vesku_rpc
