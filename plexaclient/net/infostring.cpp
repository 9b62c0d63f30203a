#include "plexaclient/net/infostring.h"

#include "plexaclient/net/server_text.h"

CInfoString::CInfoString(std::string_view text) {
  size_t pos = (!text.empty() && text[0] == '\\') ? 1 : 0;
  while (pos < text.size()) {
    const size_t keyEnd = text.find('\\', pos);
    const std::string_view key =
        text.substr(pos, keyEnd == std::string_view::npos ? text.npos : keyEnd - pos);
    std::string_view value;
    if (keyEnd == std::string_view::npos) {
      pos = text.size();
    } else {
      const size_t valueEnd = text.find('\\', keyEnd + 1);
      value = text.substr(keyEnd + 1, valueEnd == std::string_view::npos ? text.npos : valueEnd - keyEnd - 1);
      pos = valueEnd == std::string_view::npos ? text.size() : valueEnd + 1;
    }
    if (!key.empty()) m_Pairs.push_back({key, value});
  }
}

std::optional<std::string_view> CInfoString::Find(std::string_view key) const {
  for (const Pair &pair : m_Pairs) {
    if (EqualsIgnoringCase(pair.m_Key, key)) return pair.m_Value;
  }
  return std::nullopt;
}
