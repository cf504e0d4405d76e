// The sandbox of server mode, entered once the libraries are set up and the channels are open and
// before the first request is taken: from then on the host can neither start anything nor reach
// the network, and can write only into its own temp and dumps folders.
#pragma once

#include <string>

namespace zel {

// Confines the process and reports on the error stream whatever part the system would not apply;
// serving goes on with what could be had. Never throws.
void EnterServerSandbox(const std::u16string& tempFolder, const std::u16string& dumpsFolder);

}  // namespace zel
