// An owned registry key handle: closed when the owner goes, on every path.
#pragma once

#include "WinHandle.h"

namespace ovs {

using TRegistryKey = TUniqueHandle<TRegistryKeyTraits>;

} // namespace ovs
