#include "plexaclient/net/protocol_registry.h"

#include "plexaclient/net/q3_protocol.h"
#include "plexaclient/net/server_text.h"

namespace {

// A new family is one line here.
const IProtocolFamily *const s_Families[] = {
    &Q3ProtocolFamily(),
};

}  // namespace

std::span<const IProtocolFamily *const> ProtocolFamilies() {
  return s_Families;
}

const IProtocolFamily *FindProtocolFamily(std::string_view name) {
  for (const IProtocolFamily *family : s_Families) {
    if (EqualsIgnoringCase(family->Name(), name)) return family;
  }
  return nullptr;
}
