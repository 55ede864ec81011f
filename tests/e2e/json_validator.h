// A strict JSON parser (RFC 8259) that only says whether a text is one valid
// JSON value, and where it stops being one.
#ifndef KX_TESTS_E2E_JSON_VALIDATOR_H_
#define KX_TESTS_E2E_JSON_VALIDATOR_H_

#include <string>

namespace kx::e2e {

// True when text is exactly one JSON value surrounded by optional white
// space; otherwise false with *where describing the first fault.
bool is_valid_json(const std::string& text, std::string* where = nullptr);

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_JSON_VALIDATOR_H_
