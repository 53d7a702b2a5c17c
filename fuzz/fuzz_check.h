// Invariant checks inside fuzz targets: a failed check is a crash that
// libFuzzer records with the input that caused it. The message also goes to
// the sanitizers' report stream, which stays open when a target runs with
// its noisy standard error closed (-close_fd_mask=2).
#pragma once

#include <sanitizer/common_interface_defs.h>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK_STR2(x) #x
#define FUZZ_CHECK_STR(x) FUZZ_CHECK_STR2(x)

#define FUZZ_CHECK(cond)                                                                     \
  do {                                                                                       \
    if (!(cond)) {                                                                           \
      const char* what = "check failed: " __FILE__ ":" FUZZ_CHECK_STR(__LINE__) ": " #cond; \
      std::fprintf(stderr, "%s\n", what);                                                    \
      __sanitizer_report_error_summary(what);                                                \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)
