#pragma once

// EXPECT_ERROR(statement, Type, message): the statement throws exactly Type (or a class derived
// from it) carrying the given wide-string message.

#include <string>

#include <gtest/gtest.h>

#define EXPECT_ERROR(statement, Type, text)                                  \
  do {                                                                       \
    try {                                                                    \
      statement;                                                             \
      ADD_FAILURE() << #statement " did not throw " #Type;                   \
    } catch (const Type& e) {                                                \
      EXPECT_EQ(e.message(), std::wstring(text)) << "thrown by " #statement; \
    }                                                                        \
  } while (0)
