#include "tools/kv/kv_tool.h"

#include <utility>

#include "common/command_line.h"
#include "common/filesystem_helpers.h"
#include "common/filesystem_stdio.h"
#include "tier0/dbg.h"
#include "tier1/keyvalues_text/control_characters.h"
#include "tier1/utlbuffer.h"

namespace {

const char kUsageText[] =
    "usage: kv check FILE...        print each file's parse reports\n"
    "       kv dump FILE            print the tree, one node a line: name, type code, value\n"
    "       kv fmt FILE [--force]   print the file in the standard layout\n"
    "       kv --help | --version\n"
    "\n"
    "check exits with 1 when a file has errors; each report is followed by the line and column\n"
    "where the reader stood. fmt refuses files with errors, comments, conditional entries or\n"
    "#include lines (formatting would drop them) unless given --force. A bad command line, a\n"
    "missing or unreadable file exits with 2. Files after \"--\" may begin with \"-\".\n";

const CommandOption kOptions[] = {{"--force"}, {"--help", "-h"}, {"--version"}};

// The tool prints every report itself; the library's copies on stderr would only repeat them.
void DropReport(const SpewInfo &, void *) {}

// What the tool prints goes to a terminal: names, values and file names from a file (or a file
// name) cannot make it obey escape sequences.
std::string Shown(const std::string &text) {
  return EscapeControlCharacters(text);
}

}  // namespace

int CKvTool::Run(const std::vector<std::string> &args) {
  std::vector<const char *> argv = {"kv"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  CCommandLine line;
  if (!line.Parse(static_cast<int>(argv.size()), argv.data(), kOptions)) {
    fprintf(m_pErr, "kv: %s\n", Shown(line.Error()).c_str());
    return Usage(m_pErr, kUsage);
  }
  if (line.Has("--help")) return Usage(m_pOut, kOk);
  if (line.Has("--version")) {
    PrintVersion(m_pOut, "kv");
    return kOk;
  }
  if (line.Operands().empty()) return Usage(m_pErr, kUsage);
  const std::string &command = line.Operands()[0];
  if (command == "help") return Usage(m_pOut, kOk);

  const std::vector<std::string> files(line.Operands().begin() + 1, line.Operands().end());
  const bool force = line.Has("--force");
  if (command == "check" && !files.empty() && !force) return Check(files);
  if (command == "dump" && files.size() == 1 && !force) return Dump(files[0]);
  if (command == "fmt" && files.size() == 1) return Format(files[0], force);

  const bool known = command == "check" || command == "dump" || command == "fmt";
  if (known) {
    fprintf(m_pErr, "kv %s: wrong arguments\n", command.c_str());
  } else {
    fprintf(m_pErr, "kv: unknown command '%s'\n", Shown(command).c_str());
  }
  return Usage(m_pErr, kUsage);
}

int CKvTool::Usage(FILE *stream, int status) {
  fputs(kUsageText, stream);
  return status;
}

CKvTool::Loaded CKvTool::Load(const std::string &file) {
  Loaded loaded;
  CStdioFileSystem fileSystem;
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  if (!LoadFileIntoBuffer(&fileSystem, file.c_str(), buf, true)) {
    const std::string why =
        fileSystem.LastError().empty() ? "'" + file + "' cannot be read" : fileSystem.LastError();
    fprintf(m_pErr, "kv: %s\n", Shown(why).c_str());
    return loaded;
  }
  loaded.tree.reset(new KeyValues(file.c_str()));
  SetSpewHook(DropReport, nullptr);
  CKeyValuesReader(file.c_str(), buf, loaded.report).Load(loaded.tree.get());
  SetSpewHook(nullptr, nullptr);
  return loaded;
}

// Reports span lines and name keys and files of the text.
void CKvTool::PrintReports(FILE *stream, const KeyValuesParseReport &report) {
  const std::string errors = KeyValuesErrorsWithPlaces(report);
  fputs(EscapeControlCharacters(errors, EControlEscape::kKeepTabsAndLineFeeds).c_str(), stream);
  fputs(EscapeControlCharacters(report.notes, EControlEscape::kKeepTabsAndLineFeeds).c_str(), stream);
}

int CKvTool::Check(const std::vector<std::string> &files) {
  bool unreadable = false;
  bool errors = false;
  for (const std::string &file : files) {
    Loaded loaded = Load(file);
    if (!loaded.tree) {
      unreadable = true;
      continue;
    }
    PrintReports(m_pOut, loaded.report);
    const int count = loaded.report.errorCount;
    if (count == 0) {
      fprintf(m_pOut, "%s: ok\n", Shown(file).c_str());
    } else {
      fprintf(m_pOut, "%s: %d error%s\n", Shown(file).c_str(), count, count == 1 ? "" : "s");
    }
    errors |= count > 0;
  }
  return unreadable ? kUsage : errors ? kProblems : kOk;
}

int CKvTool::Dump(const std::string &file) {
  Loaded loaded = Load(file);
  if (!loaded.tree) return kUsage;
  if (loaded.report.entries > 0) {
    for (KeyValues *node = loaded.tree.get(); node; node = node->GetNextKey()) DumpNode(node, 0);
  }
  PrintReports(m_pErr, loaded.report);
  return loaded.report.errorCount > 0 ? kProblems : kOk;
}

void CKvTool::DumpNode(KeyValues *node, int depth) {
  const int type = node->GetDataType();
  fprintf(m_pOut, "%*s\"%s\" %d", depth * 2, "", Shown(node->GetName()).c_str(), type);
  if (type != KeyValues::TYPE_NONE) fprintf(m_pOut, " \"%s\"", Shown(node->GetString()).c_str());
  fputc('\n', m_pOut);
  for (KeyValues *child = node->GetFirstSubKey(); child; child = child->GetNextKey())
    DumpNode(child, depth + 1);
}

int CKvTool::Format(const std::string &file, bool force) {
  Loaded loaded = Load(file);
  if (!loaded.tree) return kUsage;
  const KeyValuesParseReport &report = loaded.report;
  if (!force && report.errorCount > 0) {
    PrintReports(m_pErr, report);
    fprintf(m_pErr,
            "kv fmt: '%s' has errors; formatting would lose what could not be read "
            "(use --force to format anyway)\n",
            Shown(file).c_str());
    return kProblems;
  }
  if (!force && (report.sawComment || report.sawCondition || report.sawInclude)) {
    std::string kinds;
    for (const auto &[present, kind] :
         {std::pair{report.sawComment, "comments"}, std::pair{report.sawCondition, "conditional entries"},
          std::pair{report.sawInclude, "#include lines"}}) {
      if (present) kinds += (kinds.empty() ? "" : ", ") + std::string(kind);
    }
    fprintf(m_pErr, "kv fmt: '%s' holds %s, which formatting would drop (use --force to format anyway)\n",
            Shown(file).c_str(), kinds.c_str());
    return kProblems;
  }
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  if (report.entries > 0) {
    for (KeyValues *node = loaded.tree.get(); node; node = node->GetNextKey())
      node->RecursiveSaveToFile(buf, 0);
  }
  if (buf.TellPut() > 0) fwrite(buf.Base(), 1, static_cast<size_t>(buf.TellPut()), m_pOut);
  return kOk;
}
