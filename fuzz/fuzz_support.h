// Pieces every fuzz target shares.
#ifndef KIVO_FUZZ_FUZZ_SUPPORT_H_
#define KIVO_FUZZ_FUZZ_SUPPORT_H_

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "log/log.h"

/// A log sink that drops every message, so that a run prints only
/// libFuzzer's own report.
inline void drop_log_message(int /*level*/, const char* /*format*/,
                             va_list /*args*/, void* /*data*/) {}

/// Installs drop_log_message as the log sink.
inline void silence_log() {
  g_log_sink = drop_log_message;
  g_log_sink_data = nullptr;
}

/// Stops the run with |what| on standard error when |holds| is false; the
/// abort is what makes libFuzzer save the input as a crash.
inline void check_invariant(bool holds, const char* what) {
  if (holds)
    return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

#endif  // KIVO_FUZZ_FUZZ_SUPPORT_H_
