#pragma once

// Binary archives: write persistent objects and plain values to bytes and read them back.
//
// An archive is either storing or loading. Values are exchanged with operator||, which writes
// the value when storing and overwrites it when loading, so one dispatchSerialize() serves both
// directions. Polymorphic objects are written with their persistent class name (the name of
// their registered class, platform/base/instantiator.h) and read back as that class.
//
//   vcMemoryArchive out;                       // storing into memory
//   out.writeObject(error);                    // class name, then the object's data
//   long n = 3;  out || n;                     // plain values
//
//   vcMemoryArchive in(out.bytes());           // loading from those bytes
//   std::unique_ptr<vcPersistent> p = in.readObject();
//   long m = 0;  in || m;                      // m == 3
//
// Format: little-endian throughout. unsigned char and bool: 1 byte (bool 0 or 1); long: 8 bytes
// two's complement; double: 8 bytes IEEE 754; std::wstring: a 4-byte count of code points, then
// 4 bytes per code point; class names: a 4-byte byte count, then the ASCII bytes.
//
// After any exception the archive's position is undefined: discard the archive.

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/base/exception.h"

class vcArchive {
 public:
  enum Mode { eStoring, eLoading };

  // Base of the archive's errors.
  class Error : public vcExceptionWithString {
   public:
    explicit Error(const std::wstring& message) : vcExceptionWithString(message) {}
  };

  // A stored class version that the reading code does not know. className is the persistent
  // name of the class whose data was refused, knownVersion the newest version it can read.
  class UnknownVersion : public Error {
   public:
    UnknownVersion(const std::wstring& className, long knownVersion);
    const std::wstring& className() const { return className_; }
    long knownVersion() const { return knownVersion_; }

   private:
    std::wstring className_;
    long knownVersion_;
  };

  // The data ended before a value was complete.
  class UnexpectedEnd : public Error {
   public:
    explicit UnexpectedEnd(const std::wstring& message) : Error(message) {}
  };

  // Stored bytes that no writer produces (a bool other than 0 or 1, an invalid code point,
  // an over-long class name), or an object of another class than the one asked for.
  class BadData : public Error {
   public:
    explicit BadData(const std::wstring& message) : Error(message) {}
  };

  // A class name that no vc_Instantiator registers, when writing or reading.
  class UnknownClass : public Error {
   public:
    explicit UnknownClass(const std::wstring& message) : Error(message) {}
  };

  // The underlying stream refused to read or write.
  class StreamError : public Error {
   public:
    explicit StreamError(const std::wstring& message) : Error(message) {}
  };

  virtual ~vcArchive();
  vcArchive(const vcArchive&) = delete;
  vcArchive& operator=(const vcArchive&) = delete;

  Mode mode() const { return mode_; }
  bool isStoring() const { return mode_ == eStoring; }
  bool isLoading() const { return mode_ == eLoading; }

  // Writes the persistent class name of object's dynamic type, then its data.
  // Requires: storing. Throws: vcBadParamsError when loading; UnknownClass when the dynamic
  // type is not registered (it could not be read back); StreamError.
  void writeObject(const vcPersistent& object);

  // Reads a class name, creates an object of that registered class and reads its data.
  // Requires: loading. Throws: vcBadParamsError when storing; UnknownClass; UnexpectedEnd;
  // BadData; UnknownVersion; StreamError. Nothing leaks on a throw.
  std::unique_ptr<vcPersistent> readObject();

  // readObject(), requiring the object to be a T.
  // Throws: as readObject(); BadData when the stored object is not a T.
  template <class T>
  std::unique_ptr<T> readObjectAs();

  // Writes size bytes from data (storing) or reads size bytes into data (loading).
  // Throws: UnexpectedEnd when fewer bytes remain; StreamError.
  void exchangeBytes(unsigned char* data, std::size_t size);

 protected:
  explicit vcArchive(Mode mode) : mode_(mode) {}

  // The transport: append size bytes / take exactly size bytes.
  virtual void write_(const unsigned char* data, std::size_t size) = 0;
  virtual void read_(unsigned char* data, std::size_t size) = 0;

 private:
  friend class vcPersistent;

  // One object operation (writeObject, readObject, loadSimple): the visited set lives as long
  // as the outermost one; nested operations share it. Outside any operation nothing is marked,
  // so a direct dispatchSerialize() call exchanges the whole object every time.
  class ObjectScope {
   public:
    explicit ObjectScope(vcArchive& ar);
    ~ObjectScope();
    ObjectScope(const ObjectScope&) = delete;
    ObjectScope& operator=(const ObjectScope&) = delete;

   private:
    vcArchive& ar_;
  };

  [[noreturn]] static void throwWrongType_(const vcPersistent& found, const std::type_info& wanted);

  Mode mode_;
  int depth_ = 0;
  std::set<std::pair<const void*, std::size_t>> visited_;
};

// Exchange operators: write the value when storing, read into it when loading.
// Throws: UnexpectedEnd; BadData for a stored bool other than 0/1 or an invalid code point;
// StreamError.
vcArchive& operator||(vcArchive& ar, unsigned char& value);
vcArchive& operator||(vcArchive& ar, bool& value);
vcArchive& operator||(vcArchive& ar, long& value);
vcArchive& operator||(vcArchive& ar, double& value);
vcArchive& operator||(vcArchive& ar, std::wstring& value);

// An archive over a byte buffer it owns.
class vcMemoryArchive : public vcArchive {
 public:
  // A storing archive starting with an empty buffer.
  vcMemoryArchive();
  // A loading archive reading bytes from the start.
  explicit vcMemoryArchive(std::vector<unsigned char> bytes);

  // The bytes written so far (storing) or the whole input (loading).
  const std::vector<unsigned char>& bytes() const { return bytes_; }
  // Bytes not yet read (loading); 0 when storing.
  std::size_t remaining() const { return bytes_.size() - position_; }

 protected:
  void write_(const unsigned char* data, std::size_t size) override;
  void read_(unsigned char* data, std::size_t size) override;

 private:
  std::vector<unsigned char> bytes_;
  std::size_t position_ = 0;
};

// An archive over the caller's stream, which must outlive it. Storing writes at the stream's
// put position; loading reads from its get position.
class vcStreamArchive : public vcArchive {
 public:
  vcStreamArchive(std::iostream& stream, Mode mode) : vcArchive(mode), stream_(stream) {}

 protected:
  void write_(const unsigned char* data, std::size_t size) override;
  void read_(unsigned char* data, std::size_t size) override;

 private:
  std::iostream& stream_;
};

template <class T>
std::unique_ptr<T> vcArchive::readObjectAs() {
  std::unique_ptr<vcPersistent> object = readObject();
  T* typed = dynamic_cast<T*>(object.get());
  if (typed == nullptr) throwWrongType_(*object, typeid(T));
  object.release();
  return std::unique_ptr<T>(typed);
}
