#include "scenes/check.h"

#include <sstream>

#include "platform/base/exception.h"

std::wstring vfSceneText(double v) {
  std::wostringstream os;
  os << v;
  return os.str();
}

void vfSceneRefuse(const wchar_t* where, const std::wstring& what) {
  throw vcBadParamsError(std::wstring(where) + L": " + what);
}
