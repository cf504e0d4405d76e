// Forbids run-time code generation for the rest of the process's life and says on the console
// whether that worked. Applied after the libraries are set up and before any request is served.
#pragma once

namespace zel {

void ProhibitDynamicCode();

}  // namespace zel
