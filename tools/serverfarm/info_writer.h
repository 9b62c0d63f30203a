// Builds the `\key\value` infostring a q3 server sends, with the limits such a server keeps.
#pragma once

#include <string>
#include <string_view>

class CInfoWriter {
 public:
  // The longest infostring a server sends (its buffer holds one more byte for the NUL).
  static constexpr size_t k_nMaxChars = 1023;

  explicit CInfoWriter(size_t maxChars = k_nMaxChars) : m_nMaxChars(maxChars) {}
  // Goes on from `text`, an infostring a writer with the same limit made.
  explicit CInfoWriter(std::string text, size_t maxChars = k_nMaxChars)
      : m_nMaxChars(maxChars), m_Text(std::move(text)) {}

  // Adds the pair at the end, replacing a pair of the same key (ignoring case). A pair holding a
  // backslash, `;`, `"` or a control character, one with an empty key, or one that would not fit
  // is left out and false returned; an empty value removes the key (empty values are never sent).
  bool Set(std::string_view key, std::string_view value);
  bool Set(std::string_view key, long long value) { return Set(key, std::to_string(value)); }

  const std::string &Text() const { return m_Text; }

  // Whether `text` may stand as a key or value.
  static bool IsAllowed(std::string_view text);

 private:
  void Remove(std::string_view key);

  size_t m_nMaxChars;
  std::string m_Text;
};
