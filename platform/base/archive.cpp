#include "platform/base/archive.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>

#include "platform/base/instantiator.h"
#include "platform/base/str.h"

namespace {

// Class names are short qualified C++ names; a longer stored count means corrupt data.
constexpr std::uint32_t kMaxClassNameBytes = 1024;
// Wide strings are read in pieces of this many code points, so a corrupt count fails on the
// missing data instead of allocating a huge buffer first.
constexpr std::uint32_t kStringChunk = 4096;

template <class U>
void exchangeUnsigned(vcArchive& ar, U& value) {
  unsigned char bytes[sizeof(U)];
  for (std::size_t k = 0; k < sizeof(U); ++k)
    bytes[k] = static_cast<unsigned char>(value >> (8 * k));
  ar.exchangeBytes(bytes, sizeof(U));
  U result = 0;
  for (std::size_t k = 0; k < sizeof(U); ++k) result |= static_cast<U>(bytes[k]) << (8 * k);
  value = result;
}

void requireMode(const vcArchive& ar, vcArchive::Mode mode, const wchar_t* operation) {
  if (ar.mode() != mode)
    throw vcBadParamsError(std::wstring(operation) + L": the archive must be " +
                           (mode == vcArchive::eStoring ? L"storing" : L"loading"));
}

}  // namespace

vcArchive::UnknownVersion::UnknownVersion(const std::wstring& className, long knownVersion)
    : Error(L"Unknown stored version of persistent class " + className +
            L" (this build reads up to version " + vfStr(knownVersion) + L")"),
      className_(className),
      knownVersion_(knownVersion) {}

vcArchive::~vcArchive() = default;

void vcArchive::exchangeBytes(unsigned char* data, std::size_t size) {
  if (isStoring())
    write_(data, size);
  else
    read_(data, size);
}

vcArchive::ObjectScope::ObjectScope(vcArchive& ar) : ar_(ar) {
  if (ar_.depth_++ == 0) ar_.visited_.clear();
}

vcArchive::ObjectScope::~ObjectScope() {
  if (--ar_.depth_ == 0) ar_.visited_.clear();
}

void vcArchive::writeObject(const vcPersistent& object) {
  requireMode(*this, eStoring, L"vcArchive::writeObject");
  if (!vfIsPersistentClassRegistered(typeid(object)))
    throw UnknownClass(L"vcArchive::writeObject: class " +
                       vfWideFromUtf8(vfPersistentClassName(typeid(object))) +
                       L" is not registered as persistent");

  // Class name: byte count, then the bytes.
  std::string name = vfPersistentClassName(typeid(object));
  auto count = static_cast<std::uint32_t>(name.size());
  exchangeUnsigned(*this, count);
  write_(reinterpret_cast<const unsigned char*>(name.data()), name.size());

  // The object's data. Storing only reads the object, so the cast does not change it.
  ObjectScope scope(*this);
  const_cast<vcPersistent&>(object).dispatchSerialize(*this);
}

std::unique_ptr<vcPersistent> vcArchive::readObject() {
  requireMode(*this, eLoading, L"vcArchive::readObject");

  // Class name.
  std::uint32_t count = 0;
  exchangeUnsigned(*this, count);
  if (count == 0 || count > kMaxClassNameBytes)
    throw BadData(L"vcArchive::readObject: stored class name length " + vfStr(count) +
                  L" is outside 1.." + vfStr(kMaxClassNameBytes));
  std::string name(count, '\0');
  read_(reinterpret_cast<unsigned char*>(name.data()), count);

  // A new default object of that class.
  std::unique_ptr<vcPersistent> object = vfCreatePersistent(name);
  if (!object)
    throw UnknownClass(L"vcArchive::readObject: no persistent class is registered as " +
                       vfWideFromUtf8(name));

  // Its data.
  {
    ObjectScope scope(*this);
    object->dispatchSerialize(*this);
  }
  return object;
}

void vcArchive::throwWrongType_(const vcPersistent& found, const std::type_info& wanted) {
  throw BadData(L"vcArchive::readObjectAs: the stored object is a " +
                vfWideFromUtf8(vfPersistentClassName(typeid(found))) + L", not a " +
                vfWideFromUtf8(vfPersistentClassName(wanted)));
}

vcArchive& operator||(vcArchive& ar, unsigned char& value) {
  ar.exchangeBytes(&value, 1);
  return ar;
}

vcArchive& operator||(vcArchive& ar, bool& value) {
  unsigned char byte = value ? 1 : 0;
  ar || byte;
  if (byte > 1)
    throw vcArchive::BadData(L"vcArchive: stored bool byte " + vfStr(byte) + L" is not 0 or 1");
  value = byte == 1;
  return ar;
}

vcArchive& operator||(vcArchive& ar, long& value) {
  // Stored as 64-bit two's complement whatever the width of long.
  auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  exchangeUnsigned(ar, bits);
  const auto stored = static_cast<std::int64_t>(bits);
  if constexpr (sizeof(long) < sizeof(std::int64_t)) {
    if (stored < std::numeric_limits<long>::min() || stored > std::numeric_limits<long>::max())
      throw vcArchive::BadData(L"vcArchive: stored long is outside the range of long");
  }
  value = static_cast<long>(stored);
  return ar;
}

vcArchive& operator||(vcArchive& ar, double& value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  exchangeUnsigned(ar, bits);
  value = std::bit_cast<double>(bits);
  return ar;
}

vcArchive& operator||(vcArchive& ar, std::wstring& value) {
  auto count = static_cast<std::uint32_t>(value.size());
  exchangeUnsigned(ar, count);
  if (ar.isStoring()) {
    for (wchar_t c : value) {
      auto code = static_cast<std::uint32_t>(c);
      exchangeUnsigned(ar, code);
    }
    return ar;
  }
  std::wstring text;
  while (text.size() < count) {
    const std::uint32_t piece = std::min<std::uint32_t>(kStringChunk, count - text.size());
    for (std::uint32_t k = 0; k < piece; ++k) {
      std::uint32_t code = 0;
      exchangeUnsigned(ar, code);
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        throw vcArchive::BadData(L"vcArchive: stored string holds the invalid code point " +
                                 vfStr(code));
      text += static_cast<wchar_t>(code);
    }
  }
  value.swap(text);
  return ar;
}

vcMemoryArchive::vcMemoryArchive() : vcArchive(eStoring) {}

vcMemoryArchive::vcMemoryArchive(std::vector<unsigned char> bytes)
    : vcArchive(eLoading), bytes_(std::move(bytes)) {}

void vcMemoryArchive::write_(const unsigned char* data, std::size_t size) {
  bytes_.insert(bytes_.end(), data, data + size);
  position_ = bytes_.size();
}

void vcMemoryArchive::read_(unsigned char* data, std::size_t size) {
  if (size > remaining())
    throw UnexpectedEnd(L"vcMemoryArchive: " + vfStr(static_cast<long>(size)) + L" bytes wanted, " +
                        vfStr(static_cast<long>(remaining())) + L" left");
  if (size != 0) std::memcpy(data, bytes_.data() + position_, size);
  position_ += size;
}

void vcStreamArchive::write_(const unsigned char* data, std::size_t size) {
  stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!stream_) throw StreamError(L"vcStreamArchive: the stream refused a write");
}

void vcStreamArchive::read_(unsigned char* data, std::size_t size) {
  stream_.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(size));
  const auto got = static_cast<long>(stream_.gcount());
  if (got != static_cast<long>(size)) {
    stream_.clear();  // leave the caller's stream usable
    throw UnexpectedEnd(L"vcStreamArchive: " + vfStr(static_cast<long>(size)) + L" bytes wanted, " +
                        vfStr(got) + L" left");
  }
  if (!stream_) throw StreamError(L"vcStreamArchive: the stream refused a read");
}
