// Owner of one handle-like resource, released on destruction through the policy's static
// Close(). A policy names its resource type; the value-initialised resource (null or 0) means
// "empty" and is never passed to Close. Guards move but never copy, so a resource has exactly
// one owner. The platform's own guards are the same template, so one pattern owns every handle,
// descriptor, mapping, process and library object of the system.
#pragma once

#include "platform/guard.h"
#include "platform/handle.h"

namespace vesku {

template <class Impl>
using CBaseGuard = zel::platform::Guard<Impl>;

// Policy for the platform's system-object handles.
using HandleImpl = zel::platform::HandleTraits;

}  // namespace vesku
