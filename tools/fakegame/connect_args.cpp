#include "tools/fakegame/connect_args.h"

#include "plexaclient/address_text.h"
#include "plexaclient/running_game_channel.h"

namespace fakegame {

namespace {

constexpr const char *kHidden = "********";

// "a.b.c.d:port" with the port required.
bool ReadAddress(const std::string &text, CConnectTarget &target) {
  uint32 ip = 0;
  uint16 port = 0;
  if (text.find(':') == std::string::npos || !ParseIPv4(text.c_str(), ip, port)) return false;
  target.ip = ip;
  target.port = port;
  return true;
}

bool LooksLikeAddress(const std::string &word) {
  return !word.empty() && word[0] >= '0' && word[0] <= '9' && word.find(':') != std::string::npos;
}

// The "?password=" value of an address word ("" when none).
std::string QueryPassword(const std::string &query) {
  size_t at = 0;
  while (at < query.size()) {
    size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(at, end - at);
    if (pair.rfind("password=", 0) == 0) return pair.substr(9);
    at = end + 1;
  }
  return "";
}

void SetProblem(CConnectTarget &target, const std::string &problem) {
  if (target.problem.empty()) target.problem = problem;
}

}  // namespace

std::string CConnectTarget::Address() const {
  return FormatIPv4(ip, port);
}

CConnectTarget FindConnectTarget(const std::vector<std::string> &words) {
  CConnectTarget target;
  bool named = false;
  bool passwordGiven = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string &word = words[i];
    if (word == "+password" && i + 1 < words.size()) {
      if (!passwordGiven) target.password = words[i + 1];
      passwordGiven = true;
      ++i;
    } else if (word == "+connect") {
      if (named) continue;
      named = true;
      if (i + 1 >= words.size() || !ReadAddress(words[i + 1], target)) {
        SetProblem(target, "cannot read the address '" +
                               runninggame::EscapeForLog(i + 1 < words.size() ? words[i + 1] : "") + "'");
      }
      ++i;
    } else if (size_t query = word.find('?');
               !named && LooksLikeAddress(word) && ReadAddress(word.substr(0, query), target)) {
      // Other words with a colon ("16:9") are just arguments.
      named = true;
      if (query != std::string::npos && !passwordGiven) {
        target.password = QueryPassword(word.substr(query + 1));
        passwordGiven = true;
      }
    }
  }
  if (!runninggame::IsPlainText(target.password)) SetProblem(target, "the password holds control characters");
  if (!target.problem.empty()) target.port = 0;
  return target;
}

CConnectTarget TargetFromRequest(const std::string &address, const std::string &password) {
  CConnectTarget target;
  if (!ReadAddress(address, target)) {
    target = CConnectTarget();
    target.problem = "cannot read the address '" + runninggame::EscapeForLog(address) + "'";
    return target;
  }
  target.password = password;
  if (!runninggame::IsPlainText(password)) {
    target.problem = "the password holds control characters";
    target.port = 0;
  }
  return target;
}

std::string ShownCommandLine(const std::vector<std::string> &words) {
  std::string line;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    if (i > 0 && words[i - 1] == "+password") {
      word = kHidden;
    } else if (size_t query = word.find('?'); LooksLikeAddress(word) && query != std::string::npos) {
      // Every "password=" pair of the query is hidden, up to its "&".
      for (size_t at = word.find("password=", query); at != std::string::npos;
           at = word.find("password=", at)) {
        if (word[at - 1] != '?' && word[at - 1] != '&') {
          at += 9;
          continue;
        }
        size_t end = word.find('&', at);
        word.replace(at + 9, (end == std::string::npos ? word.size() : end) - at - 9, kHidden);
        at += 9 + 8;
      }
    }
    if (!line.empty()) line += ' ';
    line += runninggame::EscapeForLog(word, 512);
  }
  return line;
}

std::vector<std::string> SplitConsoleText(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      word.push_back(text[++i]);
      inWord = true;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace fakegame
