#include "plexaclient/net/protocol_family.h"

const char *PacketVerdictName(EPacketVerdict verdict) {
  switch (verdict) {
    case EPacketVerdict::Accepted:
      return "accepted";
    case EPacketVerdict::WrongMarker:
      return "wrong marker";
    case EPacketVerdict::WrongCommand:
      return "wrong command";
    case EPacketVerdict::ChallengeMismatch:
      return "challenge mismatch";
    case EPacketVerdict::Malformed:
      return "malformed";
    case EPacketVerdict::Oversized:
      return "oversized";
  }
  return "unknown";
}
