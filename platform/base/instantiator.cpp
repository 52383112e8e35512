#include "platform/base/instantiator.h"

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <mutex>

namespace {

// The registered classes by persistent name. Held in a function-local static so that it
// exists before the first registration, whatever the order of static initialisation.
struct Registry {
  std::mutex mutex;
  std::map<std::string, vc_Instantiator::Factory, std::less<>> factories;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

std::string vfPersistentClassName(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  if (demangled == nullptr) return type.name();
  std::string name(demangled);
  std::free(demangled);
  return name;
}

vc_Instantiator::vc_Instantiator(const std::type_info& type, Factory make)
    : name_(vfPersistentClassName(type)) {
  if (make == nullptr) return;
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  registered_ = reg.factories.emplace(name_, make).second;
}

vc_Instantiator::~vc_Instantiator() {
  if (!registered_) return;
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  reg.factories.erase(name_);
}

bool vfIsPersistentClassRegistered(const std::type_info& type) {
  const std::string name = vfPersistentClassName(type);
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  return reg.factories.contains(name);
}

std::unique_ptr<vcPersistent> vfCreatePersistent(std::string_view name) {
  vc_Instantiator::Factory make = nullptr;
  {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.factories.find(name);
    if (found == reg.factories.end()) return nullptr;
    make = found->second;
  }
  return std::unique_ptr<vcPersistent>(make());
}
