// Evaluates the expression of a condition token such as "[$WIN32&&!$OSX]".
#pragma once

// Where an evaluation gets the truth of "$" names and sends its "Bad expression token" reports.
class IConditionContext {
 public:
  virtual bool IsSymbolTrue(const char *name) = 0;
  virtual void ReportBadToken(const char *text) = 0;
  virtual ~IConditionContext() = default;
};

// Grammar: terms joined by "||" or "&&", evaluated left to right with equal precedence; a term is
// any number of "!" and an operand: "(" expression ")", a "$" name, or a decimal number (true when
// not zero). Evaluation stops at the first character that continues none of these (normally the
// closing "]"). Each evaluation keeps its own state, so evaluations may run on several threads.
class CConditionEvaluator {
 public:
  // Names and numbers of this many characters or more are refused.
  static constexpr int kMaxNameLength = 127;
  // Parentheses nested deeper than this are refused rather than risk the stack.
  static constexpr int kMaxNesting = 64;

  explicit CConditionEvaluator(IConditionContext &context) : m_Context(context) {}

  // Evaluates `text` (the token after its "["). Returns false only when `text` is null.
  bool Evaluate(bool &result, const char *text);

 private:
  bool ParseExpression();
  bool ParseTerm();
  bool ParseOperand();
  bool ParseName();
  bool ParseNumber();
  void ReportBadToken(char first);
  void ReportBadPair(char first, char second);

  IConditionContext &m_Context;
  const char *m_pCursor = nullptr;
  int m_nNesting = 0;
  bool m_bStopped = false;
};
