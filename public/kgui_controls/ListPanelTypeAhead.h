// Type-ahead: typing jumps to the first row whose text begins with what was typed. The handler
// collects the typed characters (starting afresh after a pause of more than a second) and searches
// the rows its client offers; the client (a ListPanel) says what each row reads and selects the
// row found.
#pragma once

#include <string>

namespace kgui {

class ITypingJumpClient {
 public:
  virtual int GetTypeAheadRowCount() = 0;
  // The row the search starts from, or -1 when nothing is selected.
  virtual int GetTypeAheadCurrentRow() = 0;
  // The text of a row in the searched column (UTF-8).
  virtual std::string GetTypeAheadRowText(int row) = 0;
  // A row matched: the client makes it the only selection and shows it.
  virtual void OnTypeAheadRowFound(int row) = 0;

 protected:
  ~ITypingJumpClient() = default;
};

class CTypingJumpHandler {
 public:
  // Seconds after which typing starts a new text.
  static constexpr double kResetSeconds = 1.0;

  // Adds a typed character at time `now` (seconds) and searches; returns the row found or -1.
  int HandleChar(ITypingJumpClient &client, char16_t ch, double now);
  // What has been typed so far, lower-cased (UTF-16).
  const std::u16string &GetTypedText() const { return m_vecJumpWChars; }
  void Reset() { m_vecJumpWChars.clear(); }

  // `text` after a leading article ("the ", "a ", "an ", any case), or `text` itself.
  static const char *SkipArticle(const char *text);
  // True when `text` starts with an article followed by more text.
  static bool StartsWithArticle(const char *text);

 private:
  // The first row from `start` (wrapping once) whose text begins with `typed`, or -1.
  static int Search(ITypingJumpClient &client, const std::string &typed, int start);

  std::u16string m_vecJumpWChars;
  double m_flLastCharTime = 0.0;
};

}  // namespace kgui
