// Reaching for the value of a failure stops the process with a message
// instead of reading memory that holds no value.
#include "platform/status.h"

#include <gtest/gtest.h>

#include <string>

namespace velmorin {
namespace {

TEST(StatusOrDeathTest, TheValueOfAFailureStopsTheProcess) {
  const StatusOr<std::string> failed = Status::because(Problem::Invalid, Reason::Damaged);
  EXPECT_DEATH((void)failed->size(), "VERIFY\\(value_.has_value\\(\\)\\)");
  const StatusOr<std::string> found = std::string("Pad");
  EXPECT_EQ(*found, "Pad");
}

}  // namespace
}  // namespace velmorin
