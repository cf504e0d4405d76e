// Where the viewer side finds the zelHost program when the caller does not name one.
#pragma once

#include <string>

namespace zel::client {

// The environment variable that names the host program outright (tests point it at a build).
inline constexpr char kHostPathVariable[] = "ZEL_HOST_PATH";

// The host that belongs to this copy of the client: the program named by ZEL_HOST_PATH when that
// is set; otherwise, found from the file this code was linked into (the client library or a
// program), libexec/zelhost/zelHost under the same install prefix, or host/zelHost beside the
// client/ folder of a build tree. Neither the current folder nor PATH is ever searched, so a
// viewer started from a download folder cannot be handed a planted host. Throws
// std::runtime_error when the client cannot tell where its own file is.
std::string DefaultHostPath();

}  // namespace zel::client
