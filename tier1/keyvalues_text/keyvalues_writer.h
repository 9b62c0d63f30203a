// Writes a KeyValues subtree as text: one quoted key per line, blocks in braces, one tab per level.
#pragma once

class CUtlBuffer;
class KeyValues;

class CKeyValuesWriter {
 public:
  // `flags`: KeyValues::SaveFlags.
  CKeyValuesWriter(CUtlBuffer &buf, int flags) : m_Buffer(buf), m_nFlags(flags) {}

  // Appends `node` and its subtree at `indentLevel`; its peers are not written. Deep trees are
  // walked with a heap stack, not recursion.
  void Write(const KeyValues *node, int indentLevel);

 private:
  void WriteIndent(int level);
  void WriteBlockStart(const KeyValues *node, int level);
  void WriteBlockEnd(int level);
  void WriteValue(const KeyValues *child, int level);
  void WriteValueLine(const KeyValues *child, bool lowerCaseName, const char *value, int level);
  // A double-quoted text: a backslash before every double quote (and, in escape mode, before
  // every backslash).
  void WriteQuoted(const char *text, bool lowerCase, bool escapeBackslashes);
  void WriteLowerCased(const char *text, int length);

  CUtlBuffer &m_Buffer;
  int m_nFlags;
};
