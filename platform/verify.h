#pragma once
// A condition the code relies on. When it does not hold, going on would act on
// a value that does not exist, so the process says where and stops.
#include <cstdio>
#include <cstdlib>

namespace velmorin::detail {
[[noreturn]] inline void verificationFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "VERIFY(%s) failed at %s:%d\n", condition, file, line);
  std::fflush(stderr);
  std::abort();
}
}  // namespace velmorin::detail

#define VERIFY(condition)                                                                 \
  do {                                                                                    \
    if (!(condition)) ::velmorin::detail::verificationFailed(#condition, __FILE__, __LINE__); \
  } while (false)
