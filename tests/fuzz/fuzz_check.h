// What the fuzz targets use to say that a result is wrong: the condition
// on standard error, then an abort that libFuzzer records as a finding.
#ifndef ZOV_TESTS_FUZZ_FUZZ_CHECK_H_
#define ZOV_TESTS_FUZZ_FUZZ_CHECK_H_

#include <stdio.h>
#include <stdlib.h>

#define FUZZ_CHECK(condition)                                         \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
              #condition);                                            \
      abort();                                                        \
    }                                                                 \
  } while (0)

#endif  // ZOV_TESTS_FUZZ_FUZZ_CHECK_H_
