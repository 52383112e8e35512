#include "platform/base/assert.h"

#include "platform/base/str.h"

void vfAssertionFailed(const char* condition, const char* file, long line) {
  throw vcAssertionFailure(L"Assertion failed: " + vfWideFromUtf8(condition) + L" (" +
                           vfWideFromUtf8(file) + L":" + vfStr(line) + L")");
}
