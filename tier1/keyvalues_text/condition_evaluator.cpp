#include "tier1/keyvalues_text/condition_evaluator.h"

#include <cstring>

#include "kstdlib/strtools.h"

namespace {
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
}  // namespace

bool CConditionEvaluator::Evaluate(bool &result, const char *text) {
  if (!text) return false;
  m_pCursor = text;
  m_nNesting = 0;
  m_bStopped = false;
  result = ParseExpression();
  return true;
}

bool CConditionEvaluator::ParseExpression() {
  bool value = ParseTerm();
  while (!m_bStopped) {
    const char op = *m_pCursor;
    if (op != '|' && op != '&') break;
    if (m_pCursor[1] != op) {
      // A single "|" or "&" ends the whole expression with what was read so far.
      ReportBadPair(op, m_pCursor[1]);
      m_bStopped = true;
      break;
    }
    m_pCursor += 2;
    const bool right = ParseTerm();
    value = op == '|' ? (value || right) : (value && right);
  }
  return value;
}

bool CConditionEvaluator::ParseTerm() {
  // Negations are counted rather than recursed into: a long run of "!" must not cost stack.
  bool negate = false;
  while (*m_pCursor == '!') {
    negate = !negate;
    ++m_pCursor;
  }
  const bool value = ParseOperand();
  return negate ? !value : value;
}

bool CConditionEvaluator::ParseOperand() {
  if (m_bStopped) return false;
  const char c = *m_pCursor;
  if (c == '$') return ParseName();
  if (IsDigit(c)) return ParseNumber();
  if (c == '(') {
    if (m_nNesting >= kMaxNesting) {
      ReportBadToken(c);
      m_bStopped = true;
      return false;
    }
    ++m_pCursor;
    ++m_nNesting;
    const bool value = ParseExpression();
    --m_nNesting;
    if (!m_bStopped && *m_pCursor == ')') ++m_pCursor;
    return value;
  }
  ReportBadToken(c);
  if (c != '\0') ++m_pCursor;
  return false;
}

bool CConditionEvaluator::ParseName() {
  const char *start = m_pCursor++;
  while (IsNameChar(*m_pCursor)) ++m_pCursor;
  const size_t length = static_cast<size_t>(m_pCursor - start);
  if (length >= kMaxNameLength) {
    ReportBadToken(*start);
    return false;
  }
  char name[kMaxNameLength + 1];
  memcpy(name, start, length);
  name[length] = '\0';
  return m_Context.IsSymbolTrue(name);
}

bool CConditionEvaluator::ParseNumber() {
  const char *start = m_pCursor;
  bool nonZero = false;
  while (IsDigit(*m_pCursor)) nonZero |= *m_pCursor++ != '0';
  if (m_pCursor - start >= kMaxNameLength) {
    ReportBadToken(*start);
    return false;
  }
  return nonZero;
}

void CConditionEvaluator::ReportBadToken(char first) {
  char text[64];
  V_snprintf(text, sizeof(text), "Bad expression token: %c", first);
  m_Context.ReportBadToken(text);
}

void CConditionEvaluator::ReportBadPair(char first, char second) {
  char text[64];
  V_snprintf(text, sizeof(text), "Bad expression token: %c %c", first, second);
  m_Context.ReportBadToken(text);
}
