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

struct Kind {
  const char* name;
  long errorNumber;
};

// The six registered classes and their fixed codes.
const std::vector<Kind> kKinds = {
    {"vcShapeSelectDefs::BadParams", 0x1000A100},
    {"vcShapeSelectDefs::InvalidDOF", 0x1000A101},
    {"vcShapeSelectDefs::BadIndex", 0x1000A102},
    {"vcShapeSelectDefs::NotTrained", 0x1000A103},
    {"vcShapeSelectDefs::NotImplemented", 0x1000A104},
    {"vcSegmentDefs::notFound", 1},
};

// One error of each registered class, in the order of kKinds.
std::vector<std::unique_ptr<vcExceptionWithString>> oneOfEach(const std::wstring& message) {
  std::vector<std::unique_ptr<vcExceptionWithString>> errors;
  errors.push_back(std::make_unique<vcShapeSelectDefs::BadParams>(message));
  errors.push_back(std::make_unique<vcShapeSelectDefs::InvalidDOF>(message));
  errors.push_back(std::make_unique<vcShapeSelectDefs::BadIndex>(message));
  errors.push_back(std::make_unique<vcShapeSelectDefs::NotTrained>(message));
  errors.push_back(std::make_unique<vcShapeSelectDefs::NotImplemented>(message));
  errors.push_back(std::make_unique<vcSegmentDefs::notFound>(message));
  return errors;
}

// Writes error, sets the version byte of one class level (0: the concrete class, 1: its family
// root) to 1 and expects the read to refuse it naming that level.
void readWithVersionOne(const vcPersistent& error, std::size_t level,
                        const std::wstring& expected) {
  vcMemoryArchive out;
  out.writeObject(error);
  std::vector<unsigned char> bytes = out.bytes();
  const std::size_t nameLength = bytes[0];
  bytes[4 + nameLength + level] = 1;
  vcMemoryArchive in(bytes);
  try {
    in.readObject();
    ADD_FAILURE() << "version 1 accepted at level " << level;
  } catch (const vcArchive::UnknownVersion& e) {
    EXPECT_EQ(e.className(), expected);
    EXPECT_NE(e.message().find(expected), std::wstring::npos);
  }
}

}  // namespace

TEST(LibraryErrors, SixClassesRegisteredWithTheirCodes) {
  for (const Kind& kind : kKinds) {
    std::unique_ptr<vcPersistent> object = vfCreatePersistent(kind.name);
    ASSERT_NE(object, nullptr) << kind.name;
    const auto* error = dynamic_cast<const vcException*>(object.get());
    ASSERT_NE(error, nullptr) << kind.name;
    EXPECT_EQ(error->errorNumber(), kind.errorNumber) << kind.name;
    EXPECT_STREQ(error->what(), "") << kind.name;
    EXPECT_EQ(vfPersistentClassName(typeid(*object)), kind.name);
  }
  // The classes as constructed by callers report the same codes.
  const auto errors = oneOfEach(L"m");
  for (std::size_t k = 0; k < kKinds.size(); ++k)
    EXPECT_EQ(errors[k]->errorNumber(), kKinds[k].errorNumber) << kKinds[k].name;
  // The abstract roots have no factory.
  EXPECT_EQ(vfCreatePersistent("vcShapeSelectDefs::Errors"), nullptr);
  EXPECT_EQ(vfCreatePersistent("vcSegmentDefs::Errors"), nullptr);
}

TEST(LibraryErrors, ArchiveRoundTripKeepsClassAndMessage) {
  vcMemoryArchive out;
  const auto written = oneOfEach(L"cannot use \u00b1 here");
  for (const auto& error : written) out.writeObject(*error);
  vcMemoryArchive in(out.bytes());
  for (const auto& original : written) {
    std::unique_ptr<vcExceptionWithString> read = in.readObjectAs<vcExceptionWithString>();
    EXPECT_EQ(typeid(*read), typeid(*original));
    EXPECT_EQ(read->message(), original->message());
  }
  EXPECT_EQ(in.remaining(), 0u);
}

TEST(LibraryErrors, StoredVersionOtherThanZeroIsRefusedByName) {
  // The first version byte belongs to the concrete class, the second to its family root.
  readWithVersionOne(vcShapeSelectDefs::BadParams(L"m"), 0, L"vcShapeSelectDefs::BadParams");
  readWithVersionOne(vcShapeSelectDefs::NotImplemented(L"m"), 0,
                     L"vcShapeSelectDefs::NotImplemented");
  readWithVersionOne(vcShapeSelectDefs::BadIndex(L"m"), 1, L"vcShapeSelectDefs::Errors");
  readWithVersionOne(vcSegmentDefs::notFound(L"m"), 0, L"vcSegmentDefs::notFound");
  readWithVersionOne(vcSegmentDefs::notFound(L"m"), 1, L"vcSegmentDefs::Errors");
}

TEST(LibraryErrors, SuicideAndRethrowThrowsTheDynamicClass) {
  // A heap BadIndex: freed (the sanitizer checks) and rethrown, catchable at every level.
  auto rethrow = [] {
    vcShapeSelectDefs::Errors* heap = new vcShapeSelectDefs::BadIndex(L"index 7 out of 0..3");
    heap->suicideAndRethrow();
  };
  EXPECT_THROW(rethrow(), vcShapeSelectDefs::BadIndex);
  EXPECT_THROW(rethrow(), vcShapeSelectDefs::Errors);
  EXPECT_THROW(rethrow(), vcExceptionWithString);
  try {
    rethrow();
  } catch (const vcException& e) {
    EXPECT_EQ(e.errorNumber(), 0x1000A102);
    EXPECT_STREQ(e.what(), "index 7 out of 0..3");
  }

  // An error read from an archive is rethrown as the class that was written.
  vcMemoryArchive out;
  out.writeObject(vcSegmentDefs::notFound(L"no model segment"));
  vcMemoryArchive in(out.bytes());
  vcSegmentDefs::Errors* read = in.readObjectAs<vcSegmentDefs::Errors>().release();
  try {
    read->suicideAndRethrow();
  } catch (const vcSegmentDefs::notFound& e) {
    EXPECT_EQ(e.message(), L"no model segment");
  }
}
