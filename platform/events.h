// Events: a named auto-reset event shared between processes (one Set releases one waiter) and an
// unnamed manual-reset event of this process (stays set until reset, releases every waiter).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handle.h"
#include "platform/shared_memory.h"

namespace zel::platform {

// Creates the event (not signalled) or opens the existing one.
int32_t CreateNamedEvent(const std::u16string& name, const SecurityAttributes* attributes,
                         HandleGuard& event);

// Creates an in-process manual-reset event, not signalled.
int32_t CreateManualResetEvent(HandleGuard& event);

int32_t SetEvent(Handle event);
int32_t ResetEvent(Handle event);

}  // namespace zel::platform
