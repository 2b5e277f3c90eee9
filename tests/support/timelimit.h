#pragma once

namespace kairon::test {

// A time limit for a speed check in a test. Sanitizer builds run several
// times slower, so there the check only guards against a hang.
constexpr long long TimeLimitMs(long long ms) {
#if defined(KAIRON_SANITIZED)
  return ms * 20;
#else
  return ms;
#endif
}

}  // namespace kairon::test
