// Index keys shown to a person: read back by the type of the key expression,
// beside their bytes.
#ifndef KX_TOOLS_KV3DUMP_KEY_TEXT_H_
#define KX_TOOLS_KV3DUMP_KEY_TEXT_H_

#include <string>
#include <string_view>

#include "kv3dump/code_page.h"
#include "tables/expr/tag_key.h"

namespace kx::kv3dump {

// key as a JSON object {"value":V,"hex":"41 42"}. V is the key read back by
// plan: text decoded from page (padding kept), a number, a date
// "YYYY-MM-DD" ("" for the empty date), a datetime "YYYY-MM-DDTHH:MM:SS",
// true or false, null for the NULL key of a nullable tag. A key that cannot
// be read so (a wrong length, an unknown indicator byte, a number that is
// not finite) gives its bytes as ISO 8859-1 text.
std::string key_json(std::string_view key, const tables::expr::KeyPlan& plan, const CodePage& page);

// The bytes in upper-case hex, separated by blanks.
std::string hex_bytes(std::string_view bytes);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_KEY_TEXT_H_
