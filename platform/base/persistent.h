#pragma once

// Persistent objects: the root of every class that an archive can write and read back.
//
// A persistent class overrides dispatchSerialize(), which exchanges the object's data with an
// archive in both directions (the archive knows whether it is storing or loading). Each class
// level writes one version byte and then its direct base's data, so every level can evolve on
// its own. Typical sequence for a class level:
//
//   void MyClass::dispatchSerialize(vcArchive& ar)
//   {
//       serializeLevel_(ar, this, sizeof(*this), [&](unsigned char v) { serialize_(ar, v); });
//   }
//
// A class becomes readable by name once it is registered with a vc_Instantiator
// (platform/base/instantiator.h); the archive (platform/base/archive.h) then writes and reads
// it polymorphically.

#include <cstddef>

class vcArchive;

class vcPersistent {
 public:
  virtual ~vcPersistent();

  // Exchanges the object's data with ar: writes it when ar is storing, replaces it when ar is
  // loading. The root level carries no data.
  // Throws: the archive's errors (platform/base/archive.h) on truncated or corrupt data.
  virtual void dispatchSerialize(vcArchive& ar);

  // Returns the object to the state of a freshly constructed one. The root has no state.
  virtual void reInit();

  // Reads an object whose class is known (no class name in the archive): reInit(), then
  // dispatchSerialize(ar).
  // Requires: ar is loading. Throws: vcBadParamsError when ar is storing; the archive's
  // errors on bad data.
  virtual void loadSimple(vcArchive& ar);

 protected:
  vcPersistent() = default;
  vcPersistent(const vcPersistent&) = default;
  vcPersistent& operator=(const vcPersistent&) = default;

  // The visited set of the object operation in progress on ar (writeObject, readObject,
  // loadSimple): an object level, identified by its address and size, is handled at most once
  // per outermost operation. Outside an operation nothing is marked or found.
  static bool haveVisited(const vcArchive& ar, const void* object, std::size_t size);
  static void setVisited(vcArchive& ar, const void* object, std::size_t size);

  // One class level of serialisation in the order every persistent class follows: skip the
  // level if already visited, exchange the version byte (0 is written; the stored byte is
  // read), call body(version), then mark the level visited.
  template <class Body>
  void serializeLevel_(vcArchive& ar, const void* object, std::size_t size, Body&& body);
};

// Exchanges one byte with the archive (defined in platform/base/archive.cpp).
vcArchive& operator||(vcArchive& ar, unsigned char& value);

template <class Body>
void vcPersistent::serializeLevel_(vcArchive& ar, const void* object, std::size_t size,
                                   Body&& body) {
  if (haveVisited(ar, object, size)) return;
  unsigned char version = 0;
  ar || version;
  body(version);
  setVisited(ar, object, size);
}
