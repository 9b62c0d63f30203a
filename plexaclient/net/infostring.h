// The `\key\value\key\value` text of server answers, read as the bytes it holds.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

class CInfoString {
 public:
  struct Pair {
    std::string_view m_Key;
    std::string_view m_Value;
  };

  // Reads every pair of `text`, which must outlive this object. Nothing is refused: the leading
  // backslash may be missing, a key without a value gets an empty value, pairs with an empty key
  // and a trailing backslash are left out, and keys given twice are kept (see Find).
  explicit CInfoString(std::string_view text);

  // The first value given for `key`, ignoring case (servers look keys up so); nullopt when absent.
  std::optional<std::string_view> Find(std::string_view key) const;
  // The pairs in the order given.
  const std::vector<Pair> &Pairs() const { return m_Pairs; }

 private:
  std::vector<Pair> m_Pairs;
};
