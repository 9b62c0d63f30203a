// The kv command line: check, dump and format key/value text files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

class CKvTool {
 public:
  // Exit statuses.
  static constexpr int kOk = 0;
  static constexpr int kProblems = 1;  // parse errors, or a file fmt refuses
  static constexpr int kUsage = 2;     // bad command line, missing or unreadable file

  CKvTool(FILE *out, FILE *err) : m_pOut(out), m_pErr(err) {}

  // Runs one command line (without the program name) and returns the exit status.
  int Run(const std::vector<std::string> &args);

 private:
  // One file read and parsed; `tree` is null when the file could not be read.
  struct Loaded {
    KeyValuesAD tree;
    KeyValuesParseReport report;
  };

  int Check(const std::vector<std::string> &files);
  int Dump(const std::string &file);
  int Format(const std::string &file, bool force);
  int Usage(FILE *stream, int status);

  Loaded Load(const std::string &file);
  void PrintReports(FILE *stream, const KeyValuesParseReport &report);
  void DumpNode(KeyValues *node, int depth);

  FILE *m_pOut;
  FILE *m_pErr;
};
