// The protocol families the services can speak, found by name.
#pragma once

#include <span>
#include <string_view>

#include "plexaclient/net/protocol_family.h"

// Every family, in registration order.
std::span<const IProtocolFamily *const> ProtocolFamilies();
// The family called `name` (ignoring case); null when there is none.
const IProtocolFamily *FindProtocolFamily(std::string_view name);
