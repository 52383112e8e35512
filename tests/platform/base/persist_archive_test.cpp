// Binary archives: primitive round trips over memory and streams, truncated and corrupt data,
// polymorphic objects by class name and the persistent-class registry.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <tuple>

#include "platform/base/archive.h"
#include "platform/base/instantiator.h"

namespace {

// A small persistent value class used only here: a number and a name at one class level.
class Sample : public vcPersistent {
 public:
  long number = 0;
  std::wstring name;

  void dispatchSerialize(vcArchive& ar) override {
    serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) {
      if (version != 0) throw vcArchive::UnknownVersion(L"Sample", 0);
      vcPersistent::dispatchSerialize(ar);
      ar || number || name;
    });
  }
  static vcPersistent* make() { return new Sample; }
};

class Unregistered : public vcPersistent {};

// One value of each kind at its extremes. -0.0 compares equal to 0.0, so its sign is checked apart.
using Values = std::tuple<unsigned char, bool, long, long, double, double, double, std::wstring>;

Values sampleValues() {
  return {255,
          true,
          std::numeric_limits<long>::min(),
          std::numeric_limits<long>::max(),
          -0.0,
          std::numeric_limits<double>::denorm_min(),
          -std::numeric_limits<double>::infinity(),
          std::wstring(L"Gr\u00fc\u00dfe \U0001F600 ") + L'\0' + L"end"};
}

void exchangeAll(vcArchive& ar, Values& v) {
  std::apply([&](auto&... field) { (ar || ... || field); }, v);
}

void expectSame(const Values& a, const Values& b) {
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::signbit(std::get<4>(a)), std::signbit(std::get<4>(b)));
}

}  // namespace

TEST(PersistArchive, PrimitivesRoundTripOverBufferAndStream) {
  Values written = sampleValues();
  vcMemoryArchive out;
  exchangeAll(out, written);

  vcMemoryArchive in(out.bytes());
  Values read;
  exchangeAll(in, read);
  expectSame(written, read);
  EXPECT_EQ(in.remaining(), 0u);

  // The same values through a stream, followed by a NaN whose bits must survive.
  std::stringstream stream;
  vcStreamArchive sout(stream, vcArchive::eStoring);
  exchangeAll(sout, written);
  double nan = std::nan("7");
  sout || nan;
  EXPECT_EQ(stream.str().size(), out.bytes().size() + 8);

  vcStreamArchive sin(stream, vcArchive::eLoading);
  Values fromStream;
  double nanBack = 0;
  exchangeAll(sin, fromStream);
  sin || nanBack;
  expectSame(written, fromStream);
  EXPECT_EQ(std::memcmp(&nan, &nanBack, sizeof nan), 0);
}

TEST(PersistArchive, FormatIsLittleEndianAndWidthIndependent) {
  vcMemoryArchive out;
  long n = -2;
  out || n;
  const std::vector<unsigned char> expected{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(out.bytes(), expected);
}

TEST(PersistArchive, TruncatedOrCorruptDataThrowsAndLeavesValuesUnchanged) {
  Values written = sampleValues();
  vcMemoryArchive out;
  exchangeAll(out, written);
  const std::vector<unsigned char>& full = out.bytes();

  // Every proper prefix fails cleanly with UnexpectedEnd.
  for (std::size_t len = 0; len < full.size(); ++len) {
    vcMemoryArchive in(std::vector<unsigned char>(full.begin(), full.begin() + len));
    Values read;
    EXPECT_THROW(exchangeAll(in, read), vcArchive::UnexpectedEnd) << "prefix " << len;
  }

  // A string cut short keeps its old value; so does a stream, which stays usable.
  std::wstring text = L"abc";
  vcMemoryArchive cut(std::vector<unsigned char>{5, 0, 0, 0, 'x', 0, 0, 0});
  EXPECT_THROW(cut || text, vcArchive::UnexpectedEnd);
  EXPECT_EQ(text, L"abc");

  std::stringstream stream("\x01\x02\x03");
  vcStreamArchive sin(stream, vcArchive::eLoading);
  double d = 1.5;
  EXPECT_THROW(sin || d, vcArchive::UnexpectedEnd);
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(stream.good());

  // A huge stored string count fails on the missing data, not on allocation.
  vcMemoryArchive huge(std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 0, 0});
  EXPECT_THROW(huge || text, vcArchive::UnexpectedEnd);

  // Bytes no writer produces.
  bool flag = false;
  vcMemoryArchive badBool(std::vector<unsigned char>{2});
  EXPECT_THROW(badBool || flag, vcArchive::BadData);
  vcMemoryArchive surrogate(std::vector<unsigned char>{1, 0, 0, 0, 0x00, 0xD8, 0, 0});
  EXPECT_THROW(surrogate || text, vcArchive::BadData);
  EXPECT_EQ(text, L"abc");
}

TEST(PersistArchive, ObjectsTravelByClassName) {
  vc_Instantiator registration(typeid(Sample), &Sample::make);

  Sample first, second;
  first.number = -7;
  first.name = L"first";
  second.number = 42;
  vcMemoryArchive out;
  out.writeObject(first);
  out.writeObject(first);  // the visited set is per object operation: written again in full
  out.writeObject(second);

  vcMemoryArchive in(out.bytes());
  for (const Sample* expected : {&first, &first, &second}) {
    std::unique_ptr<Sample> read = in.readObjectAs<Sample>();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->number, expected->number);
    EXPECT_EQ(read->name, expected->name);
  }
  EXPECT_EQ(in.remaining(), 0u);

  // Asking for another class than the stored one.
  vcMemoryArchive again(out.bytes());
  EXPECT_THROW(again.readObjectAs<vcException>(), vcArchive::BadData);

  // loadSimple reads the data of a known class into an existing object, once per call.
  vcMemoryArchive plain;
  first.dispatchSerialize(plain);
  second.dispatchSerialize(plain);
  vcMemoryArchive plainIn(plain.bytes());
  Sample target;
  target.loadSimple(plainIn);
  EXPECT_EQ(target.name, L"first");
  target.loadSimple(plainIn);
  EXPECT_EQ(target.number, 42);
  EXPECT_EQ(plainIn.remaining(), 0u);

  // A newer stored version is refused by name.
  std::vector<unsigned char> bytes = plain.bytes();
  bytes[0] = 1;
  vcMemoryArchive newer(bytes);
  try {
    target.loadSimple(newer);
    ADD_FAILURE() << "version 1 was accepted";
  } catch (const vcArchive::UnknownVersion& e) {
    EXPECT_EQ(e.className(), L"Sample");
  }
}

TEST(PersistArchive, MisuseAndUnknownClassesThrow) {
  Unregistered loose;
  vcMemoryArchive out;
  EXPECT_THROW(out.writeObject(loose), vcArchive::UnknownClass);
  EXPECT_THROW(out.readObject(), vcBadParamsError);
  EXPECT_TRUE(out.bytes().empty());

  vcMemoryArchive in(std::vector<unsigned char>{});
  EXPECT_THROW(in.writeObject(loose), vcBadParamsError);
  Sample s;
  EXPECT_THROW(s.loadSimple(out), vcBadParamsError);

  // A name nobody registered, and a corrupt name length.
  vcMemoryArchive unknown(std::vector<unsigned char>{3, 0, 0, 0, 'X', 'y', 'z'});
  EXPECT_THROW(unknown.readObject(), vcArchive::UnknownClass);
  vcMemoryArchive longName(std::vector<unsigned char>{0, 0, 0, 1});
  EXPECT_THROW(longName.readObject(), vcArchive::BadData);
}

TEST(PersistArchive, RegistrationLastsAsLongAsItsInstantiator) {
  {
    vc_Instantiator registration(typeid(Sample), &Sample::make);
    {
      // A second registration of the same name neither replaces nor removes the first.
      vc_Instantiator duplicate(typeid(Sample), &Sample::make);
    }
    EXPECT_TRUE(vfIsPersistentClassRegistered(typeid(Sample)));
    EXPECT_NE(vfCreatePersistent("(anonymous namespace)::Sample"), nullptr);
  }
  EXPECT_FALSE(vfIsPersistentClassRegistered(typeid(Sample)));
  EXPECT_EQ(vfCreatePersistent("(anonymous namespace)::Sample"), nullptr);
}
