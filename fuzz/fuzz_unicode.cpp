// UTF-8 <-> UTF-16 on arbitrary bytes, read both as UTF-8 and as UTF-16 units. Checked against a
// plain decoder written here: well-formed text converts both ways unchanged, broken text becomes
// well-formed (U+FFFD in place of what cannot be read), and into buffers of every small size the
// output is the longest whole-character prefix of the full output, terminated, never past the
// buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kstdlib/strtools.h"
#include "support/fuzz_support.h"

namespace {

constexpr char16_t kGuard16 = 0xBEEF;
constexpr char kGuard8 = '\x5A';

// Length of the well-formed character at `text`, or 0 (Unicode's table of well-formed bytes).
size_t WellFormedLength(const unsigned char *text) {
  const unsigned char b0 = text[0];
  if (b0 < 0x80) return 1;
  auto in = [](unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; };
  if (in(b0, 0xC2, 0xDF)) return in(text[1], 0x80, 0xBF) ? 2 : 0;
  if (in(b0, 0xE0, 0xEF)) {
    const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80, high = b0 == 0xED ? 0x9F : 0xBF;
    return in(text[1], low, high) && in(text[2], 0x80, 0xBF) ? 3 : 0;
  }
  if (in(b0, 0xF0, 0xF4)) {
    const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80, high = b0 == 0xF4 ? 0x8F : 0xBF;
    return in(text[1], low, high) && in(text[2], 0x80, 0xBF) && in(text[3], 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

bool IsWellFormedUtf8(const std::string &text) {
  const auto *p = reinterpret_cast<const unsigned char *>(text.c_str());
  while (*p) {
    const size_t length = WellFormedLength(p);
    if (!length) return false;
    p += length;
  }
  return true;
}

bool IsWellFormedUtf16(const std::u16string &text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::u16string ToUtf16(const char *text, int units) {
  std::vector<char16_t> buffer(static_cast<size_t>(units) + 1, kGuard16);
  const int written = V_UTF8ToUTF16(text, buffer.data(), units * 2);
  if (buffer[static_cast<size_t>(units)] != kGuard16) abort();
  if (units == 0) {
    if (written != 0) abort();
    return {};
  }
  if (written < 1 || written > units || buffer[static_cast<size_t>(written) - 1] != 0) abort();
  return std::u16string(buffer.data(), static_cast<size_t>(written) - 1);
}

std::string ToUtf8(const char16_t *text, int bytes) {
  std::vector<char> buffer(static_cast<size_t>(bytes) + 1, kGuard8);
  const int written = V_UTF16ToUTF8(text, buffer.data(), bytes);
  if (buffer[static_cast<size_t>(bytes)] != kGuard8) abort();
  if (bytes == 0) {
    if (written != 0) abort();
    return {};
  }
  if (written < 1 || written > bytes || buffer[static_cast<size_t>(written) - 1] != '\0') abort();
  return std::string(buffer.data(), static_cast<size_t>(written) - 1);
}

// Whole-character prefixes only: the cut output is a prefix of the full one, not ending inside a
// surrogate pair, and no longer one would have fitted.
void CheckCutUtf16(const char *text, const std::u16string &full) {
  for (int units = 0; units <= static_cast<int>(full.size()) + 1 && units < 24; ++units) {
    const std::u16string cut = ToUtf16(text, units);
    if (full.compare(0, cut.size(), cut) != 0) abort();
    if (!cut.empty() && cut.back() >= 0xD800 && cut.back() <= 0xDBFF) abort();
    const size_t room = units > 0 ? static_cast<size_t>(units) - 1 : 0;
    if (cut.size() < full.size()) {
      const bool pair = full[cut.size()] >= 0xD800 && full[cut.size()] <= 0xDBFF;
      if (cut.size() + (pair ? 2 : 1) <= room) abort();
    }
  }
}

void CheckCutUtf8(const char16_t *text, const std::string &full) {
  for (int bytes = 0; bytes <= static_cast<int>(full.size()) + 1 && bytes < 40; ++bytes) {
    const std::string cut = ToUtf8(text, bytes);
    if (full.compare(0, cut.size(), cut) != 0 || !IsWellFormedUtf8(cut)) abort();
    const size_t room = bytes > 0 ? static_cast<size_t>(bytes) - 1 : 0;
    if (cut.size() < full.size()) {
      const size_t next =
          WellFormedLength(reinterpret_cast<const unsigned char *>(full.c_str()) + cut.size());
      if (next == 0 || cut.size() + next <= room) abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 4096) return 0;
  // As UTF-8: at most one unit a byte.
  const std::string utf8 = fuzzsupport::AsText(data, size);
  const char *text = utf8.c_str();
  const int units = static_cast<int>(strlen(text)) + 1;
  const std::u16string wide = ToUtf16(text, units);
  if (!IsWellFormedUtf16(wide)) abort();
  const std::string back = ToUtf8(wide.c_str(), static_cast<int>(wide.size()) * 3 + 1);
  if (!IsWellFormedUtf8(back)) abort();
  if (IsWellFormedUtf8(text) ? back != text : wide.find(u'\xFFFD') == std::u16string::npos) abort();
  // Well-formed output converts back unchanged.
  if (ToUtf16(back.c_str(), static_cast<int>(back.size()) + 1) != wide) abort();
  CheckCutUtf16(text, wide);

  // As UTF-16 units: at most three bytes a unit.
  std::u16string units16(size / 2, u'\0');
  memcpy(units16.data(), data, units16.size() * 2);
  units16.resize(std::char_traits<char16_t>::length(units16.c_str()));
  const std::string narrow = ToUtf8(units16.c_str(), static_cast<int>(units16.size()) * 3 + 1);
  if (!IsWellFormedUtf8(narrow)) abort();
  const std::u16string again = ToUtf16(narrow.c_str(), static_cast<int>(narrow.size()) + 1);
  if (IsWellFormedUtf16(units16) ? again != units16 : again.find(u'\xFFFD') == std::u16string::npos) abort();
  CheckCutUtf8(units16.c_str(), narrow);
  return 0;
}
