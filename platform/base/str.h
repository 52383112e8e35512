#pragma once

// Text helpers: decimal text of integers and conversion between wide strings and UTF-8.
//
//   std::wstring text = L"index " + vfStr(i) + L" is out of range";
//   std::string utf8 = vfUtf8FromWide(text);

#include <string>
#include <string_view>

// Decimal text of n, with a leading '-' for negative values ("-42").
std::wstring vfStr(long n);

// UTF-8 encoding of a wide string (wchar_t holds one code point). Code points that are not
// valid (surrogates, above 0x10FFFF) become U+FFFD.
std::string vfUtf8FromWide(std::wstring_view text);

// Wide string of UTF-8 text. Malformed sequences become U+FFFD, one per bad byte.
std::wstring vfWideFromUtf8(std::string_view text);
