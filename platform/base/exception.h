#pragma once

// Exceptions of the platform layer.
//
// Every exception of the system derives from vcException, which is both persistent (an archive
// can carry it across a process boundary) and a std::exception (what() gives the message as
// UTF-8, so a host's catch (std::exception&) prints something useful). Most exceptions carry
// one wide-string message: vcExceptionWithString.
//
// Kinds thrown by the platform layer:
//   vcBadParamsError   an invalid argument to a platform operation (unbound or empty image,
//                      window outside its root, size or factor out of range, degenerate
//                      geometry ...). The message names the parameter and the valid range.
//   vcAssertionFailure an internal check failed (VC_ASSERT, platform/base/assert.h).
//   vcArchive::...     archive errors (platform/base/archive.h).
//
// Typical use:
//   if (width < 1)
//       throw vcBadParamsError(L"vfPelCopy: width must be >= 1, got " + vfStr(width));
//   ...
//   catch (const vcException& e) { std::wcerr << e; }

#include <exception>
#include <iosfwd>
#include <string>

#include "platform/base/persistent.h"

class vcException : public vcPersistent, public std::exception {
 public:
  ~vcException() override;

  // Writes the human-readable message to os.
  virtual void message_(std::wostream& os) const;

  // A numeric code identifying the kind of error; 0 for the platform's own kinds. The
  // library's error families override it with their fixed codes.
  virtual long errorNumber() const;

  // The message as UTF-8.
  const char* what() const noexcept override;

  // Exchanges the exception level (a version byte) with ar.
  // Throws: vcArchive::UnknownVersion for a stored version other than 0.
  void dispatchSerialize(vcArchive& ar) override;

 protected:
  vcException() = default;
  vcException(const vcException&) = default;
  vcException& operator=(const vcException&) = default;
};

// Writes e.message_() to os.
std::wostream& operator<<(std::wostream& os, const vcException& e);

// An exception carrying one wide-string message.
class vcExceptionWithString : public vcException {
 public:
  // An empty message.
  vcExceptionWithString() = default;
  explicit vcExceptionWithString(const std::wstring& message);
  vcExceptionWithString(const vcExceptionWithString&) = default;
  vcExceptionWithString& operator=(const vcExceptionWithString&) = default;
  ~vcExceptionWithString() override;

  const std::wstring& message() const { return text_; }

  void message_(std::wostream& os) const override;
  const char* what() const noexcept override;

  // Exchanges a version byte, the base level and the message with ar. On a failed read the
  // message is left as it was.
  // Throws: vcArchive::UnknownVersion for a stored version other than 0; the archive's
  // errors on truncated or corrupt data.
  void dispatchSerialize(vcArchive& ar) override;

  // Empties the message.
  void reInit() override;

 protected:
  void setMessage_(const std::wstring& message);

 private:
  void serialize_(vcArchive& ar, unsigned char version);

  std::wstring text_;
  std::string utf8_;  // the message as UTF-8, kept for what()
};

// An invalid argument to a platform operation. The message names the operation, the parameter
// and the valid range.
class vcBadParamsError : public vcExceptionWithString {
 public:
  explicit vcBadParamsError(const std::wstring& message) : vcExceptionWithString(message) {}
};

// An internal consistency check failed (thrown by VC_ASSERT). The message names the condition,
// the file and the line.
class vcAssertionFailure : public vcExceptionWithString {
 public:
  explicit vcAssertionFailure(const std::wstring& message) : vcExceptionWithString(message) {}
};
