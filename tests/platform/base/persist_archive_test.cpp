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
  explicit Sample(long n = 0, std::wstring s = L"") : number(n), name(std::move(s)) {}
  void dispatchSerialize(vcArchive& ar) override {
    serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) {
      if (version != 0) throw vcArchive::UnknownVersion(L"Sample", 0);
      vcPersistent::dispatchSerialize(ar);
      ar || number || name;
    });
  }
  static vcPersistent* make() { return new Sample; }
};

// One value of each kind at its extremes. -0.0 compares equal to 0.0, so its sign is checked
// apart; a NaN travels after them, its bits compared.
using Values = std::tuple<unsigned char, bool, long, long, double, double, double, std::wstring>;
using LongLimits = std::numeric_limits<long>;
using DoubleLimits = std::numeric_limits<double>;
const Values kValues(255, true, LongLimits::min(), LongLimits::max(), -0.0,
                     DoubleLimits::denorm_min(), -DoubleLimits::infinity(),
                     std::wstring(L"Gr\u00fc\u00dfe \U0001F600 ") + L'\0' + L"end");

void exchangeAll(vcArchive& ar, Values& v, double& nan) {
  std::apply([&](auto&... field) { (ar || ... || field) || nan; }, v);
}

}  // namespace

TEST(PersistArchive, PrimitivesRoundTripOverBufferAndStreamInOneFormat) {
  Values written = kValues;
  double nan = std::nan("7");
  vcMemoryArchive out;
  exchangeAll(out, written, nan);
  std::stringstream stream;
  vcStreamArchive sout(stream, vcArchive::eStoring);
  exchangeAll(sout, written, nan);
  EXPECT_EQ(stream.str(), std::string(out.bytes().begin(), out.bytes().end()));

  vcMemoryArchive in(out.bytes());
  vcStreamArchive sin(stream, vcArchive::eLoading);
  for (vcArchive* ar : std::initializer_list<vcArchive*>{&in, &sin}) {
    Values read;
    double nanBack = 0;
    exchangeAll(*ar, read, nanBack);
    EXPECT_EQ(read, written);
    EXPECT_TRUE(std::signbit(std::get<4>(read)));
    EXPECT_EQ(std::memcmp(&nan, &nanBack, sizeof nan), 0);
  }
  EXPECT_EQ(in.remaining(), 0u);

  // Little-endian, 8 bytes whatever the width of long.
  vcMemoryArchive small;
  long n = -2;
  small || n;
  EXPECT_EQ(small.bytes(),
            std::vector<unsigned char>({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(PersistArchive, TruncatedOrCorruptDataThrowsAndLeavesValuesUnchanged) {
  Values written = kValues;
  double nan = 0;
  vcMemoryArchive out;
  exchangeAll(out, written, nan);
  const std::vector<unsigned char>& full = out.bytes();

  // Every proper prefix fails cleanly with UnexpectedEnd.
  for (std::size_t len = 0; len < full.size(); ++len) {
    vcMemoryArchive in(std::vector<unsigned char>(full.begin(), full.begin() + len));
    Values read;
    EXPECT_THROW(exchangeAll(in, read, nan), vcArchive::UnexpectedEnd) << "prefix " << len;
  }

  // A string cut short keeps its old value; so does a stream, which stays usable.
  std::wstring text = L"abc";
  vcMemoryArchive cut(std::vector<unsigned char>{5, 0, 0, 0, 'x', 0, 0, 0});
  EXPECT_THROW(cut || text, vcArchive::UnexpectedEnd);
  std::stringstream stream("\x01\x02\x03");
  vcStreamArchive sin(stream, vcArchive::eLoading);
  double d = 1.5;
  EXPECT_THROW(sin || d, vcArchive::UnexpectedEnd);
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(stream.good());

  // A huge stored string count fails on the missing data, not on allocation.
  vcMemoryArchive huge(std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 0, 0});
  EXPECT_THROW(huge || text, vcArchive::UnexpectedEnd);

  // Bytes no writer produces: a bool of 2, a lone surrogate.
  bool flag = false;
  vcMemoryArchive badBool(std::vector<unsigned char>{2});
  EXPECT_THROW(badBool || flag, vcArchive::BadData);
  vcMemoryArchive surrogate(std::vector<unsigned char>{1, 0, 0, 0, 0x00, 0xD8, 0, 0});
  EXPECT_THROW(surrogate || text, vcArchive::BadData);
  EXPECT_EQ(text, L"abc");
}

TEST(PersistArchive, ObjectsTravelByClassName) {
  vc_Instantiator registration(typeid(Sample), &Sample::make);
  Sample first(-7, L"first"), second(42);
  vcMemoryArchive out;
  out.writeObject(first);
  out.writeObject(first);  // the visited set is per object operation: written again in full
  out.writeObject(second);

  vcMemoryArchive in(out.bytes());
  for (const Sample* expected : {&first, &first, &second}) {
    std::unique_ptr<Sample> read = in.readObjectAs<Sample>();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::tie(read->number, read->name), std::tie(expected->number, expected->name));
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
}

TEST(PersistArchive, MisuseUnknownClassesAndRegistrationLifetime) {
  class Unregistered : public vcPersistent {
  } loose;
  vcMemoryArchive out;
  EXPECT_THROW(out.writeObject(loose), vcArchive::UnknownClass);
  EXPECT_THROW(out.readObject(), vcBadParamsError);
  EXPECT_TRUE(out.bytes().empty());
  vcMemoryArchive in(std::vector<unsigned char>{});
  EXPECT_THROW(in.writeObject(loose), vcBadParamsError);
  EXPECT_THROW(Sample().loadSimple(out), vcBadParamsError);

  // A name nobody registered, and a corrupt name length.
  vcMemoryArchive unknown(std::vector<unsigned char>{3, 0, 0, 0, 'X', 'y', 'z'});
  EXPECT_THROW(unknown.readObject(), vcArchive::UnknownClass);
  vcMemoryArchive longName(std::vector<unsigned char>{0, 0, 0, 1});
  EXPECT_THROW(longName.readObject(), vcArchive::BadData);

  // A registration lasts as long as its instantiator; a second one of the same name neither
  // replaces nor removes the first.
  {
    vc_Instantiator registration(typeid(Sample), &Sample::make);
    { vc_Instantiator duplicate(typeid(Sample), &Sample::make); }
    EXPECT_NE(vfCreatePersistent("(anonymous namespace)::Sample"), nullptr);
  }
  EXPECT_FALSE(vfIsPersistentClassRegistered(typeid(Sample)));
  EXPECT_EQ(vfCreatePersistent("(anonymous namespace)::Sample"), nullptr);
}
