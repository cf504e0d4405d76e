// Events: a named auto-reset event shared between processes (one Set releases one waiter) and an
// unnamed manual-reset event of this process (stays set until reset, releases every waiter).
#pragma once

#include <string>

#include "platform/handle.h"
#include "platform/shared_memory.h"

namespace zel::platform {

// Creates the event (not signalled) or opens the existing one; null with LastError() on failure.
Handle CreateNamedEvent(const std::u16string& name, const SecurityAttributes* attributes);

// Creates an in-process manual-reset event, not signalled.
Handle CreateManualResetEvent();

bool SetEvent(Handle event);
bool ResetEvent(Handle event);

}  // namespace zel::platform
