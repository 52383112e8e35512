#pragma once

// The assertion hook for internal consistency checks.
//
//   VC_ASSERT(index < size);
//
// When the condition is false, VC_ASSERT throws vcAssertionFailure whose message names the
// condition, the file and the line. It never aborts or ends the process, and it is active in
// every build type: conditions that input through the public interface can reach must end the
// operation with an exception.

#include "platform/base/exception.h"

// Throws vcAssertionFailure for the failed condition text at file:line.
[[noreturn]] void vfAssertionFailed(const char* condition, const char* file, long line);

#define VC_ASSERT(cond)                                          \
  do {                                                           \
    if (!(cond)) ::vfAssertionFailed(#cond, __FILE__, __LINE__); \
  } while (0)
