// Diagnostics: messages, warnings, the non-fatal assertion channel and fatal errors.
#pragma once

#include "tier0/platform.h"

enum class SpewType { Message, Warning, Assert, Error };

struct SpewInfo {
  SpewType type;
  const char *text;  // the whole report ("Assertion Failed: x" for assertions)
  const char *file;  // source file of an assertion, else null
  int line;          // source line of an assertion, else 0
};

// Every report passes through the hook when one is set; otherwise it goes to stderr.
// Tests install a hook to capture reports. The hook must not call back into spew.
using SpewHookFn = void (*)(const SpewInfo &info, void *context);
PLATFORM_INTERFACE void SetSpewHook(SpewHookFn fn, void *context);

PLATFORM_INTERFACE void Msg(const char *fmt, ...) FMTFUNCTION(1, 2);
PLATFORM_INTERFACE void Warning(const char *fmt, ...) FMTFUNCTION(1, 2);
// Reports and ends the process.
[[noreturn]] PLATFORM_INTERFACE void Error(const char *fmt, ...) FMTFUNCTION(1, 2);

// Non-fatal assertion report; execution continues after it.
PLATFORM_INTERFACE void AssertMsgImplementation(const char *text, const char *file, int line);
// Formats a report of at most 1023 bytes and hands it to AssertMsgImplementation.
PLATFORM_INTERFACE void AssertMsgFormatted(const char *file, int line, const char *fmt, ...)
    FMTFUNCTION(3, 4);

// Assertions are always on: the reports are part of the observable behaviour.
#define Assert(exp)                                                            \
  do {                                                                         \
    if (!(exp)) AssertMsgImplementation("Assertion Failed: " #exp, __FILE__, __LINE__); \
  } while (0)

#define AssertMsg(exp, ...)                                                    \
  do {                                                                         \
    if (!(exp)) AssertMsgFormatted(__FILE__, __LINE__, __VA_ARGS__);           \
  } while (0)
