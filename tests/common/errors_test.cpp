// The library's error families: codes, registration, archive round trips, version refusal and
// rethrowing a heap copy as its own class.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/base/archive.h"
#include "tavshsl/errors.h"

namespace {

template <class E>
std::unique_ptr<vcExceptionWithString> make(const std::wstring& message) {
  return std::make_unique<E>(message);
}

// The six registered classes, their fixed codes and a maker for each.
const struct Kind {
  const char* name;
  long errorNumber;
  std::unique_ptr<vcExceptionWithString> (*make)(const std::wstring&);
} kKinds[] = {
    {"vcShapeSelectDefs::BadParams", 0x1000A100, make<vcShapeSelectDefs::BadParams>},
    {"vcShapeSelectDefs::InvalidDOF", 0x1000A101, make<vcShapeSelectDefs::InvalidDOF>},
    {"vcShapeSelectDefs::BadIndex", 0x1000A102, make<vcShapeSelectDefs::BadIndex>},
    {"vcShapeSelectDefs::NotTrained", 0x1000A103, make<vcShapeSelectDefs::NotTrained>},
    {"vcShapeSelectDefs::NotImplemented", 0x1000A104, make<vcShapeSelectDefs::NotImplemented>},
    {"vcSegmentDefs::notFound", 1, make<vcSegmentDefs::notFound>},
};

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Writes error with the version byte of one class level (0: the concrete class, 1: its family
// root) set to 1 and returns the class the read refuses, named in its message too.
std::wstring refusedClass(const vcPersistent& error, std::size_t level) {
  vcMemoryArchive out;
  out.writeObject(error);
  std::vector<unsigned char> bytes = out.bytes();
  bytes[4 + bytes[0] + level] = 1;
  try {
    vcMemoryArchive(bytes).readObject();
  } catch (const vcArchive::UnknownVersion& e) {
    EXPECT_NE(e.message().find(e.className()), std::wstring::npos);
    return e.className();
  }
  return L"(accepted)";
}

}  // namespace

TEST(LibraryErrors, RegisteredWithTheirCodesRoundTripAndRefuseOtherVersions) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::unique_ptr<vcPersistent> object = vfCreatePersistent(kind.name);
    const auto* error = dynamic_cast<const vcException*>(object.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->errorNumber(), kind.errorNumber);
    EXPECT_STREQ(error->what(), "");
    const vcPersistent& created = *object;  // typeid of a plain reference: nothing to evaluate
    EXPECT_EQ(vfPersistentClassName(typeid(created)), kind.name);

    // As constructed by callers: the same code, and the archive keeps class and message.
    const auto made = kind.make(L"cannot use \u00b1 here");
    EXPECT_EQ(made->errorNumber(), kind.errorNumber);
    vcMemoryArchive out;
    out.writeObject(*made);
    vcMemoryArchive in(out.bytes());
    const auto read = in.readObjectAs<vcExceptionWithString>();
    const vcException &readBack = *read, &original = *made;
    EXPECT_EQ(typeid(readBack), typeid(original));
    EXPECT_EQ(read->message(), made->message());
    EXPECT_STREQ(read->what(), made->what());
    EXPECT_EQ(in.remaining(), 0u);

    const std::string name = kind.name;
    EXPECT_EQ(refusedClass(*made, 0), wide(name));
    EXPECT_EQ(refusedClass(*made, 1), wide(name.substr(0, name.find("::")) + "::Errors"));
  }
  // The abstract roots have no factory.
  EXPECT_EQ(vfCreatePersistent("vcShapeSelectDefs::Errors"), nullptr);
  EXPECT_EQ(vfCreatePersistent("vcSegmentDefs::Errors"), nullptr);
}

TEST(LibraryErrors, SuicideAndRethrowThrowsTheDynamicClass) {
  // Heap errors held by their family root: freed (the sanitizer checks) and rethrown.
  try {
    vcShapeSelectDefs::Errors* heap = new vcShapeSelectDefs::BadIndex(L"index 7 out of 0..3");
    heap->suicideAndRethrow();
  } catch (const vcShapeSelectDefs::BadIndex& e) {
    EXPECT_STREQ(e.what(), "index 7 out of 0..3");
  }
  vcSegmentDefs::Errors* heap = new vcSegmentDefs::notFound(L"no model segment");
  EXPECT_THROW(heap->suicideAndRethrow(), vcSegmentDefs::notFound);
}
