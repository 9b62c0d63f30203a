// Address parsing on arbitrary bytes. Host names go to a fake resolver (no real lookups); every
// numeric result must print and parse back to the same record, and printing must stay inside
// buffers of any size.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tier0/dbg.h"
#include "tier1/netadr.h"

namespace {

// Resolves about half of all names, to an address derived from the name.
bool FakeResolver(const char *hostName, uint32 *ipHostOrder) {
  uint32 hash = 2166136261u;
  for (const char *p = hostName; *p; ++p) hash = (hash ^ static_cast<uint8>(*p)) * 16777619u;
  if (hash & 1) return false;
  *ipHostOrder = hash;
  return true;
}

void SwallowSpew(const SpewInfo &, void *) {}

void CheckRoundTrip(const netadr_t &adr) {
  char text[64];
  adr.ToString(text, sizeof(text));
  netadr_t again;
  if (!again.SetFromString(text) || !again.CompareAdr(adr) || memcmp(&again, &adr, sizeof(adr)) != 0) abort();
}

void CheckBoundedPrinting(const netadr_t &adr) {
  for (size_t size = 0; size <= 8; ++size) {
    std::vector<char> buffer(size + 1, '#');
    adr.ToString(buffer.data(), size, (size & 1) != 0);
    if (buffer[size] != '#') abort();
    if (size && strlen(buffer.data()) >= size) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  SetHostNameResolver(&FakeResolver);
  SetSpewHook(&SwallowSpew, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  // Now and then start from an empty cache so both hits and misses keep being exercised.
  if (size % 8 == 0) FlushHostNameCache();

  netadr_t adr(0x01020304, 5);
  const bool parsed = adr.SetFromString(text.data());
  const bool empty = (text[0] == '\0');
  // Empty text leaves the record alone; any other failure leaves a cleared IPv4 record.
  if (empty && (parsed || !adr.CompareAdr(netadr_t(0x01020304, 5)))) abort();
  if (!empty && !parsed && !adr.CompareAdr(netadr_t(0, 0))) abort();
  if (parsed && adr.GetType() != NA_IP && adr.GetType() != NA_IPV6) abort();

  if (parsed) CheckRoundTrip(adr);
  CheckBoundedPrinting(adr);
  return 0;
}
