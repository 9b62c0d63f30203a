// Parses arbitrary bytes as key/value text, writes the tree, and reads the text back. Nothing may
// crash, leak or hang; and a text that parsed cleanly must read back to the same tree, apart from
// the cases the text form cannot express (see CKeyValuesTokenizer).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

void DropReport(const SpewInfo &, void *) {}

// Texts the writer cannot give back exactly: outside escape mode a 0x7F (read as NUL), or a double
// quote followed, after blanks, by a line break, or by "}", "{", "=", "[" or "//" with a line
// break later in the text.
bool CannotRoundTrip(const char *text, bool escapes) {
  if (escapes) return false;
  if (strchr(text, '\x7f')) return true;
  for (const char *quote = strchr(text, '"'); quote; quote = strchr(quote + 1, '"')) {
    const char *p = quote + 1 + strspn(quote + 1, " \t");
    if (*p == '\n' || *p == '\r') return true;
    const bool looksLikeAnEnd = strchr("{}=[", *p) != nullptr || (p[0] == '/' && p[1] == '/');
    if (*p != '\0' && looksLikeAnEnd && strpbrk(p, "\n\r")) return true;
  }
  return false;
}

bool ExpressibleChain(KeyValues *node, bool escapes) {
  for (; node; node = node->GetNextKey()) {
    if (CannotRoundTrip(node->GetName(), escapes)) return false;
    if (node->GetDataType() == KeyValues::TYPE_STRING && CannotRoundTrip(node->GetString(), escapes))
      return false;
    if (!ExpressibleChain(node->GetFirstSubKey(), escapes)) return false;
  }
  return true;
}

bool SameChain(KeyValues *a, KeyValues *b) {
  for (; a && b; a = a->GetNextKey(), b = b->GetNextKey()) {
    if (a->GetNameSymbol() != b->GetNameSymbol() || a->GetDataType() != b->GetDataType()) return false;
    if (a->GetDataType() != KeyValues::TYPE_NONE && !a->IsEqual(b)) return false;
    if (!SameChain(a->GetFirstSubKey(), b->GetFirstSubKey())) return false;
  }
  return !a && !b;
}

KeyValues *Parse(const void *text, size_t size, bool escapes, bool &clean) {
  auto *tree = new KeyValues("fuzz");
  tree->UsesEscapeSequences(escapes);
  CUtlBuffer buf(text, static_cast<int>(size), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  clean = tree->LoadFromBuffer("fuzz", buf);
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool silenced = (SetSpewHook(DropReport, nullptr), true);
  (void)silenced;
  // The first byte picks the mode. Inputs reach past the token area (256 KiB), so overlong
  // tokens are read too; they are reported, never taken cleanly.
  if (size < 1 || size > (size_t{1} << 20)) return 0;
  const bool escapes = (data[0] & 1) != 0;

  bool clean = false;
  KeyValuesAD first(Parse(data + 1, size - 1, escapes, clean));

  CUtlBuffer text(0, 0, CUtlBuffer::TEXT_BUFFER);
  for (KeyValues *node = first.get(); node; node = node->GetNextKey()) node->RecursiveSaveToFile(text, 0);

  bool cleanAgain = false;
  KeyValuesAD second(Parse(text.Base(), static_cast<size_t>(text.TellPut()), escapes, cleanAgain));
  if (clean && ExpressibleChain(first.get(), escapes)) {
    if (!cleanAgain || !SameChain(first.get(), second.get())) abort();
  }
  return 0;
}
