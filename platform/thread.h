// Threads created suspended: the body does not run until ResumeThread, so the creator can finish
// recording the thread before the body looks at that record. A thread handle can be waited for
// (signalled when the body has returned) and yields the body's exit code.
#pragma once

#include <cstdint>

#include "platform/handle.h"

namespace zel::platform {

using ThreadEntry = uint32_t (*)(void* argument);

// `threadId` receives the system's identifier of the thread.
int32_t CreateSuspendedThread(ThreadEntry entry, void* argument, HandleGuard& thread,
                              uint32_t& threadId);

int32_t ResumeThread(Handle thread);

// Ends a thread that was never resumed, with the given exit code, without running its body.
// EBUSY when it runs already.
int32_t TerminateSuspendedThread(Handle thread, uint32_t exitCode);

inline constexpr uint32_t kStillActive = 259;

// The body's exit code, or kStillActive while it runs.
int32_t GetThreadExitCode(Handle thread, uint32_t& exitCode);

uint32_t CurrentThreadId();
uint32_t CurrentProcessId();

}  // namespace zel::platform
