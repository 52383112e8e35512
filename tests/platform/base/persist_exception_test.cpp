// Exceptions, the assertion hook and the text helpers.

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "platform/base/archive.h"
#include "platform/base/assert.h"
#include "platform/base/str.h"

TEST(PersistException, MessageReachesEveryCatchSiteAndSurvivesCopiesAndArchives) {
  const std::wstring message = L"width must be >= 1, got \u00e9-3";
  const vcBadParamsError error(message);
  const std::exception& caught = error;
  EXPECT_STREQ(caught.what(), "width must be >= 1, got \xc3\xa9-3");
  std::wostringstream os;
  os << static_cast<const vcException&>(error);
  EXPECT_EQ(os.str(), message);

  // Copies are independent and keep what() in step with the message.
  vcExceptionWithString copy(L"old");
  copy = error;
  EXPECT_STREQ(copy.what(), error.what());
  copy.reInit();
  EXPECT_STREQ(copy.what(), "");
  EXPECT_EQ(error.message(), message);

  // A read cut short keeps the old message (the library's error tests round-trip whole ones).
  vcExceptionWithString written(L"carried \U0001F600"), kept(L"kept");
  vcMemoryArchive out;
  written.dispatchSerialize(out);
  vcMemoryArchive cut({out.bytes().begin(), out.bytes().end() - 1});
  EXPECT_THROW(kept.dispatchSerialize(cut), vcArchive::UnexpectedEnd);
  EXPECT_EQ(kept.message(), L"kept");
}

TEST(PersistException, AssertionHookThrowsNamingConditionFileAndLine) {
  int evaluations = 0;
  EXPECT_NO_THROW(VC_ASSERT(++evaluations == 1));
  EXPECT_EQ(evaluations, 1);

  const long line = __LINE__ + 2;
  try {
    VC_ASSERT(evaluations > 5);
    ADD_FAILURE() << "no throw";
  } catch (const vcAssertionFailure& e) {
    EXPECT_NE(e.message().find(L"evaluations > 5"), std::wstring::npos);
    EXPECT_NE(e.message().find(L"persist_exception_test.cpp:" + vfStr(line)), std::wstring::npos)
        << e.what();
  }
  // Usable as a single statement in an unbraced if/else.
  if (evaluations == 0)
    VC_ASSERT(false);
  else
    EXPECT_THROW(VC_ASSERT(evaluations == 0), vcException);
}

TEST(PersistException, TextHelpers) {
  EXPECT_EQ(vfStr(LONG_MIN), std::to_wstring(LONG_MIN));

  const std::wstring wide = L"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(vfWideFromUtf8(vfUtf8FromWide(wide)), wide);
  // Malformed input: a lone continuation byte, a cut sequence, an overlong '/', a surrogate.
  EXPECT_EQ(vfWideFromUtf8("x\x80y"), L"x\uFFFDy");
  EXPECT_EQ(vfWideFromUtf8("\xe2\x82"), L"\uFFFD\uFFFD");
  EXPECT_EQ(vfWideFromUtf8("\xc0\xaf"), L"\uFFFD\uFFFD");
  EXPECT_EQ(vfWideFromUtf8("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(vfUtf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
}
