// Type-ahead: collecting typed characters and finding the row they begin.
#include "kgui_controls/ListPanelTypeAhead.h"

#include <cstring>

#include "kgui_controls/TextImage.h"
#include "kstdlib/strtools.h"

namespace kgui {
namespace {

// The articles the platform skips at the start of titles when it orders or searches them.
constexpr const char *kArticles[] = {"the ", "a ", "an "};

char16_t FoldCase(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
}

}  // namespace

const char *CTypingJumpHandler::SkipArticle(const char *text) {
  if (!text) return "";
  for (const char *article : kArticles) {
    const size_t length = strlen(article);
    if (!V_strnicmp(text, article, length) && text[length] != '\0') return text + length;
  }
  return text;
}

bool CTypingJumpHandler::StartsWithArticle(const char *text) {
  return text && SkipArticle(text) != text;
}

int CTypingJumpHandler::HandleChar(ITypingJumpClient &client, char16_t ch, double now) {
  if (now - m_flLastCharTime > kResetSeconds) m_vecJumpWChars.clear();
  m_flLastCharTime = now;
  m_vecJumpWChars.push_back(FoldCase(ch));

  const int rowCount = client.GetTypeAheadRowCount();
  if (rowCount <= 0) return -1;
  // A first character moves on from the selected row; a longer text may still match it.
  const int current = client.GetTypeAheadCurrentRow();
  int start = current < 0 ? 0 : current;
  if (m_vecJumpWChars.size() == 1 && current >= 0) start = (current + 1) % rowCount;

  const int found = Search(client, WideToUtf8(m_vecJumpWChars), start);
  if (found >= 0) client.OnTypeAheadRowFound(found);
  return found;
}

int CTypingJumpHandler::Search(ITypingJumpClient &client, const std::string &typed, int start) {
  const int rowCount = client.GetTypeAheadRowCount();
  // Typing an article on purpose ("the s") searches whole texts; otherwise "The Summit" is found
  // by its "s".
  const bool compareWhole = StartsWithArticle(typed.c_str());
  for (int i = 0; i < rowCount; ++i) {
    const int row = (start + i) % rowCount;
    const std::string text = client.GetTypeAheadRowText(row);
    const char *compared = compareWhole ? text.c_str() : SkipArticle(text.c_str());
    if (!V_strnicmp(compared, typed.c_str(), typed.size())) return row;
  }
  return -1;
}

}  // namespace kgui
