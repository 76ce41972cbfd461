#include "core/Exception.h"

#include <gtest/gtest.h>

#include "core/ErrorText.h"

namespace {

String MessageOf(void (*raise)()) {
  try {
    raise();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

}  // namespace

TEST(Exception, MessageFormsCarryTheBaseNameAndLine) {
  const String at = " in file \"Exception_test.cpp\" line ";
  struct Case {
    void (*raise)();
    String expected;
  } cases[] = {
      {[] { KG_ASSERT(1 + 1 == 3); }, "1 + 1 == 3" + at + "26" + at + "26"},
      {[] { KG_ASSERTION("n>Size()"); }, "n>Size()" + at + "27" + at + "27"},
      {[] { KG_ERROR("thread not started"); }, "thread not started" + at + "28"},
      {[] { errno = ENOENT; KG_RAISE_LAST_SYSTEM_ERROR(); },
       SystemErrorText(ENOENT) + at + "29" + at + "29"},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageOf(c.raise), c.expected);
}
