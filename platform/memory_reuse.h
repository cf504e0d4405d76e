// A process that handles one large picture after another keeps the memory it frees for the next
// one, instead of giving it back to the system and having it handed out again page by page.
#pragma once

namespace zel::platform {

// Large blocks (up to 32 MiB) come from the allocator's own heap and freed memory is kept there:
// every fresh page the system hands out must be zeroed and mapped, which cost conversions of
// document pages a third of their time. The peak stays what the largest requests need.
void KeepFreedMemoryForReuse();

}  // namespace zel::platform
