#pragma once

// The registry of persistent classes: it lets an archive create an object from the class name
// it reads.
//
// A persistent class registers itself once, at load time, with a static vc_Instantiator built
// from its run-time type information and a factory that returns a new default object:
//
//   class MyError : public vcExceptionWithString {
//       static vcPersistent* make() { return new MyError; }
//       static const vc_Instantiator sExemplar;
//   };
//   const vc_Instantiator MyError::sExemplar(typeid(MyError), &MyError::make);
//
// The persistent class name is the fully qualified C++ name of the class, as in
// "vcShapeSelectDefs::BadParams". Registration and look-up are safe from several threads.

#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

#include "platform/base/persistent.h"

class vc_Instantiator {
 public:
  using Factory = vcPersistent* (*)();

  // Registers type under its persistent class name with the factory make. A second
  // registration of a name keeps the first one; this object then does nothing.
  // Requires: make != nullptr and make() returns a new object of type.
  vc_Instantiator(const std::type_info& type, Factory make);
  // Removes the registration this object made (when its library is unloaded).
  ~vc_Instantiator();
  vc_Instantiator(const vc_Instantiator&) = delete;
  vc_Instantiator& operator=(const vc_Instantiator&) = delete;

 private:
  std::string name_;
  bool registered_ = false;
};

// The persistent class name of type (the qualified C++ name), registered or not.
std::string vfPersistentClassName(const std::type_info& type);

// Whether type is registered.
bool vfIsPersistentClassRegistered(const std::type_info& type);

// A new default object of the class registered under name; null when no class is.
std::unique_ptr<vcPersistent> vfCreatePersistent(std::string_view name);
