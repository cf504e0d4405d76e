// Opcode 3: every property the image library knows about an image, as text, plus five attributes
// of the host's own for a properties panel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/messages.h"

namespace vesku_rpc {
class IServerResponder;
}

namespace zel {

class CServerHandler;

// Decimal digits with "," between groups of three, counted from the right: 1234567 -> "1,234,567".
std::string GroupThousands(int64_t value);

// Fills both lists (emptied first); true when the image was read and the library reported at least
// one property. Decoding problems are answered with false, never with an exception.
bool CollectImageProperties(const uint8_t* data, int32_t size, const std::u16string& name,
                            std::vector<protocol::ImageProperty>& properties,
                            std::vector<protocol::ImageProperty>& hostAttributes);

void ReadImageProperties(const CServerHandler& handler, vesk::CArchiveOverBuffer& request,
                         vesku_rpc::IServerResponder& responder);

}  // namespace zel
