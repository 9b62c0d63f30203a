#include "tools/serverfarm/info_writer.h"

#include "tools/serverfarm/request_line.h"

bool CInfoWriter::IsAllowed(std::string_view text) {
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == ';' || c == '"' || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

void CInfoWriter::Remove(std::string_view key) {
  // Pairs are `\key\value`; walk them and cut the one whose key matches.
  size_t start = 0;
  while (start < m_Text.size()) {
    const size_t keyEnd = m_Text.find('\\', start + 1);
    if (keyEnd == std::string::npos) return;
    size_t valueEnd = m_Text.find('\\', keyEnd + 1);
    if (valueEnd == std::string::npos) valueEnd = m_Text.size();
    if (IsCommandWord(std::string_view(m_Text).substr(start + 1, keyEnd - start - 1), key)) {
      m_Text.erase(start, valueEnd - start);
      return;
    }
    start = valueEnd;
  }
}

bool CInfoWriter::Set(std::string_view key, std::string_view value) {
  if (key.empty() || !IsAllowed(key) || !IsAllowed(value)) return false;
  Remove(key);
  if (value.empty()) return true;
  if (m_Text.size() + key.size() + value.size() + 2 > m_nMaxChars) return false;
  m_Text.append("\\").append(key).append("\\").append(value);
  return true;
}
