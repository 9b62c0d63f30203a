// Text accessors of ServerRecord. The services fill records in memory we do not control, so no
// text field is read past its own size.
#include <cstring>

#include "kstdlib/strtools.h"
#include "plexa/matchmakingtypes.h"

namespace {

// Four buffers in rotation: a returned text stays valid across three further calls. Large enough
// for the widest field (the tags).
constexpr int kRotatingBuffers = 4;
constexpr size_t kRotatingBufferSize = sizeof(ServerRecord::m_szTags);
char g_szRotatingText[kRotatingBuffers][kRotatingBufferSize];
int g_iNextRotatingText = 0;

char *NextRotatingBuffer() {
  char *buffer = g_szRotatingText[g_iNextRotatingText];
  g_iNextRotatingText = (g_iNextRotatingText + 1) % kRotatingBuffers;
  return buffer;
}

// The field itself when it is terminated within its size, else a terminated copy.
template <size_t N>
const char *BoundedText(const char (&field)[N]) {
  static_assert(N <= kRotatingBufferSize);
  if (memchr(field, '\0', N)) return field;
  char *copy = NextRotatingBuffer();
  memcpy(copy, field, N - 1);
  copy[N - 1] = '\0';
  return copy;
}

}  // namespace

const char *ServerRecord::GetName() const {
  if (m_szServerName[0] != '\0') return BoundedText(m_szServerName);
  // The address text fits the 64 bytes the name buffers have always had.
  char *text = NextRotatingBuffer();
  const uint32 ip = m_NetAdr.GetIP();
  V_snprintf(text, 64, "%u.%u.%u.%u:%i", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF,
             static_cast<int>(m_NetAdr.GetConnectionPort()));
  return text;
}

const char *ServerRecord::GetGameDir() const { return BoundedText(m_szGameDirectory); }
const char *ServerRecord::GetMap() const { return BoundedText(m_szMapName); }
const char *ServerRecord::GetDescription() const { return BoundedText(m_szDescription); }
const char *ServerRecord::GetTags() const { return BoundedText(m_szTags); }
