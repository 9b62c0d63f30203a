#include "tools/serverfarm/request_line.h"

namespace {

// The line as the server reads it: cut at LF or NUL, `%` and high bytes made harmless.
std::string ReadLine(std::string_view text) {
  std::string line;
  for (char c : text) {
    if (c == '\n' || c == '\0') break;
    const unsigned char byte = static_cast<unsigned char>(c);
    line.push_back(c == '%' || byte > 127 ? '.' : c);
  }
  return line;
}

bool At(const std::string &line, size_t i, const char *pair) {
  return i + 1 < line.size() && line[i] == pair[0] && line[i + 1] == pair[1];
}

}  // namespace

std::vector<std::string> TokenizeRequestLine(std::string_view text, size_t maxTokens) {
  const std::string line = ReadLine(text);
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size() && tokens.size() < maxTokens) {
    // Separators and comments between tokens.
    if (static_cast<unsigned char>(line[i]) <= 0x20) {
      ++i;
      continue;
    }
    if (At(line, i, "//")) break;
    if (At(line, i, "/*")) {
      const size_t end = line.find("*/", i + 2);
      if (end == std::string::npos) break;
      i = end + 2;
      continue;
    }
    std::string token;
    if (line[i] == '"') {
      const size_t end = line.find('"', i + 1);
      token = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      // A plain token ends at a separator, a quote or a comment.
      while (i < line.size() && static_cast<unsigned char>(line[i]) > 0x20 && line[i] != '"' &&
             !At(line, i, "//") && !At(line, i, "/*"))
        token.push_back(line[i++]);
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool IsCommandWord(std::string_view token, std::string_view command) {
  if (token.size() != command.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    char a = token[i], b = command[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}
