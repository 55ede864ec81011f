// Whether these tests were built with AddressSanitizer: suites that run the
// program tens of thousands of times run a sample there.
#ifndef KX_TESTS_SUPPORT_TESTING_SANITIZED_BUILD_H_
#define KX_TESTS_SUPPORT_TESTING_SANITIZED_BUILD_H_

namespace kx::test {

constexpr bool sanitized_build() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_SANITIZED_BUILD_H_
