// Server mode proper: serve the viewer's channels until the viewer goes away.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/parent_process.h"

namespace vesku_rpc {
class IServerHandler;
}

namespace zel {

// Serves `channelName` with `listenerCount` listener threads over channels of `bufferSize` bytes
// until the handle `waitHandle` is signalled or, when it is 0, until `parent` (the viewer, recorded
// when the host started) ends. `beforeServing` runs once the channels are open and before the first
// listener starts. Throws on start-up failures; the server is gone by the time an exception leaves.
void RunServer(const std::u16string& channelName, int32_t listenerCount, int32_t bufferSize,
               uint64_t waitHandle, const ParentProcess& parent,
               const std::function<void()>& beforeServing);

}  // namespace zel
