// Reads key/value text into a tree: top-level entries, blocks, "=" pairs, conditions, value
// typing and the error reports with their key path.
#pragma once

#include <string>
#include <vector>

#include "kstdlib/ikeyvaluessystem.h"
#include "tier1/keyvalues_text/condition_evaluator.h"
#include "tier1/keyvalues_text/key_name_cache.h"

class CUtlBuffer;
class CKeyValuesTokenizer;
class IFileSystem;
class KeyValues;
struct KeyValuesToken;

// Where the reader stood when it reported an error: the line and column (both from 1, the column
// counted in characters) of the offset its report names.
struct KeyValuesErrorPlace {
  int line = 1;
  int column = 1;
  size_t end = 0;  // where the error's report ends in KeyValuesParseReport::errors
};

// What one parse found besides the tree.
struct KeyValuesParseReport {
  std::string errors;                       // every error report, in order
  std::vector<KeyValuesErrorPlace> places;  // one per error report, in the same order
  std::string notes;  // reports that are not errors: bad expression tokens, "#include" lines
  int errorCount = 0;
  int entries = 0;  // top-level entries kept in the tree
  bool sawComment = false;
  bool sawCondition = false;
  bool sawInclude = false;
};

class CKeyValuesReader final : private IConditionContext {
 public:
  // Blocks nested deeper than this are reported and skipped, so no text can exhaust the stack.
  static constexpr int kMaxNesting = 128;
  // Key-path slots kept for error reports; deeper levels are counted but not stored.
  static constexpr int kErrorStackSize = 64;
  // Longest error report, without its NUL.
  static constexpr int kMaxErrorText = 511;

  // `resourceName` names the text in reports ("NULL" when null).
  CKeyValuesReader(const char *resourceName, CUtlBuffer &buf, KeyValuesParseReport &report);

  // Reads every top-level entry from the buffer's get offset: the first into `root` (which takes
  // the entry's name), later ones as new nodes chained after it as peers. True when no error was
  // recorded.
  bool Load(KeyValues *root);

 private:
  bool IsSymbolTrue(const char *name) override;
  void ReportBadToken(const char *text) override;

  // --- top level
  void ReadTopLevel(KeyValues *root);
  void ReadInclude();
  // --- blocks
  class BlockChildren;
  void ReadBlock(KeyValues *node, int nesting);
  bool ReadEntry(BlockChildren &children, HKeySymbol keySymbol, int nesting);
  void SkipBlock();
  static void StoreValue(KeyValues *child, const char *text, int length);
  // The name symbol of a key token (interned).
  HKeySymbol KeySymbol(KeyValuesToken &token);
  // --- tokens and conditions
  bool ReadToken(KeyValuesToken &token);
  // Reads a token; when it is a condition, `accepted` takes its truth and the next token is read.
  // Returns whether a token is there; `conditionRead` tells whether a condition was met.
  bool ReadTokenAfterCondition(KeyValuesToken &token, bool &accepted, bool *conditionRead = nullptr);
  bool EvaluateCondition(KeyValuesToken &token);
  // --- error reports
  void ReportError(const char *message);
  // The line and column of the get offset, counted from the start of the text (or from the last
  // place counted, as errors come in order): only errors pay for it, never tokens.
  KeyValuesErrorPlace PlaceOfGetOffset();
  void PushKey(HKeySymbol symbol);
  void PopKey();
  void SetCurrentKey(HKeySymbol symbol);

  const char *m_pResourceName;
  CUtlBuffer &m_Buffer;
  KeyValuesParseReport &m_Report;
  CKeyValuesTokenizer *m_pTokenizer = nullptr;
  CKeyNameCache m_Names;
  HKeySymbol m_KeyStack[kErrorStackSize] = {};
  int m_nDepth = 0;
  int m_nMaxDepth = 0;
  // What PlaceOfGetOffset counted last: up to this offset, and the place there.
  int m_nCountedTo = 0;
  KeyValuesErrorPlace m_Counted;
  bool m_bReportToWarning = true;
  bool m_bReported = false;
};

// The reports of `report.errors`, each followed by a line "  at line 3, column 7" with its place,
// for messages a person reads.
std::string KeyValuesErrorsWithPlaces(const KeyValuesParseReport &report);

// Parse like KeyValues::LoadFromBuffer and LoadFromFile; `errors` (when given) takes the reports
// with their lines and columns (KeyValuesErrorsWithPlaces).
bool LoadKeyValuesWithPlaces(KeyValues *root, const char *resourceName, CUtlBuffer &buf, std::string *errors);
bool LoadKeyValuesWithPlaces(KeyValues *root, const char *resourceName, const char *text,
                             std::string *errors);
bool LoadKeyValuesFileWithPlaces(KeyValues *root, IFileSystem *fileSystem, const char *path,
                                 const char *pathID, std::string *errors);
