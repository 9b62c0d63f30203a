// Reports: one hook (or stderr) receives every message, warning, assertion and fatal error.
#include "tier0/dbg.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_SpewMutex;
SpewHookFn g_pSpewHook = nullptr;
void *g_pSpewContext = nullptr;

constexpr size_t kReportSize = 4096;
constexpr size_t kAssertReportSize = 1024;

// Reports quote names and values from files and packets: their control characters are written as
// "\xNN" so that no escape sequence reaches the terminal. Line feeds and tabs shape reports and stay.
void PutShown(const char *text) {
  for (const char *c = text; *c; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F)
      fprintf(stderr, "\\x%02X", byte);
    else
      fputc(byte, stderr);
  }
}

void WriteToStderr(const SpewInfo &info) {
  if (info.type == SpewType::Assert || info.file)
    fprintf(stderr, "%s(%d): ", info.file ? info.file : "?", info.line);
  PutShown(info.text);
  if (info.type == SpewType::Assert || info.file) fputc('\n', stderr);
  fflush(stderr);
}

// Serialised so that reports from several threads never interleave and a hook sees one at a time.
// Returns true when a hook took the report instead of stderr.
bool Dispatch(const SpewInfo &info) {
  std::lock_guard<std::mutex> lock(g_SpewMutex);
  if (g_pSpewHook) {
    g_pSpewHook(info, g_pSpewContext);
    return true;
  }
  WriteToStderr(info);
  return false;
}

// Formats into a caller's buffer; a null or broken format leaves an empty report.
void FormatReport(char *text, size_t size, const char *fmt, va_list args) {
  text[0] = '\0';
  if (fmt && vsnprintf(text, size, fmt, args) < 0) text[0] = '\0';
}

void FormatAndDispatch(SpewType type, const char *fmt, va_list args) {
  char text[kReportSize];
  FormatReport(text, sizeof(text), fmt, args);
  Dispatch(SpewInfo{type, text, nullptr, 0});
}

}  // namespace

void SetSpewHook(SpewHookFn fn, void *context) {
  std::lock_guard<std::mutex> lock(g_SpewMutex);
  g_pSpewHook = fn;
  g_pSpewContext = fn ? context : nullptr;
}

void Msg(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  FormatAndDispatch(SpewType::Message, fmt, args);
  va_end(args);
}

void Warning(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  FormatAndDispatch(SpewType::Warning, fmt, args);
  va_end(args);
}

void Error(const char *fmt, ...) {
  char text[kReportSize];
  va_list args;
  va_start(args, fmt);
  FormatReport(text, sizeof(text), fmt, args);
  va_end(args);
  // A fatal report must reach the terminal even when a hook captures reports.
  if (Dispatch(SpewInfo{SpewType::Error, text, nullptr, 0})) {
    PutShown(text);
    fflush(stderr);
  }
  std::_Exit(EXIT_FAILURE);
}

void AssertMsgImplementation(const char *text, const char *file, int line) {
  Dispatch(SpewInfo{SpewType::Assert, text ? text : "", file, line});
}

void AssertMsgFormatted(const char *file, int line, const char *fmt, ...) {
  char text[kAssertReportSize];
  va_list args;
  va_start(args, fmt);
  FormatReport(text, sizeof(text), fmt, args);
  va_end(args);
  AssertMsgImplementation(text, file, line);
}
