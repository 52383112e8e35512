#include "platform/base/exception.h"

#include <ostream>

#include "platform/base/archive.h"
#include "platform/base/str.h"

vcException::~vcException() = default;

void vcException::message_(std::wostream& os) const { os << L"vcException"; }

long vcException::errorNumber() const { return 0; }

const char* vcException::what() const noexcept { return "vcException"; }

void vcException::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) {
    if (version != 0) throw vcArchive::UnknownVersion(L"vcException", 0);
    vcPersistent::dispatchSerialize(ar);
  });
}

std::wostream& operator<<(std::wostream& os, const vcException& e) {
  e.message_(os);
  return os;
}

vcExceptionWithString::vcExceptionWithString(const std::wstring& message) { setMessage_(message); }

vcExceptionWithString::~vcExceptionWithString() = default;

void vcExceptionWithString::message_(std::wostream& os) const { os << text_; }

const char* vcExceptionWithString::what() const noexcept { return utf8_.c_str(); }

void vcExceptionWithString::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcExceptionWithString::reInit() { setMessage_(std::wstring()); }

void vcExceptionWithString::setMessage_(const std::wstring& message) {
  // Convert first so that a failed allocation leaves both members as they were.
  std::string utf8 = vfUtf8FromWide(message);
  std::wstring copy = message;
  text_.swap(copy);
  utf8_.swap(utf8);
}

void vcExceptionWithString::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcExceptionWithString", 0);
  vcException::dispatchSerialize(ar);
  // Read into a local so that a truncated archive leaves the message unchanged.
  std::wstring message = text_;
  ar || message;
  if (ar.isLoading()) setMessage_(message);
}
