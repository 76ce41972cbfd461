#include "core/Exception.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ErrorText.h"
#include "support/Raised.h"

TEST(Exception, MessageFormsCarryTheBaseNameAndLine) {
  const String at = " in file \"Exception_test.cpp\" line ";
  // Each case raises on the line its expected text names.
  const auto line = [](int n) { return std::to_string(n); };
  struct Case {
    void (*raise)();
    String expected;
  } cases[] = {
      {[] { KG_ASSERT(1 + 1 == 3); }, "1 + 1 == 3" + at + line(__LINE__) + at + line(__LINE__)},
      {[] { KG_ASSERTION("n>Size()"); }, "n>Size()" + at + line(__LINE__) + at + line(__LINE__)},
      {[] { KG_ERROR("thread not started"); }, "thread not started" + at + line(__LINE__)},
      {[] { errno = ENOENT; KG_RAISE_LAST_SYSTEM_ERROR(); },
       SystemErrorText(ENOENT) + at + line(__LINE__ - 1) + at + line(__LINE__ - 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageOf(c.raise), c.expected);
}
