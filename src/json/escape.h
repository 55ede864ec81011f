// The two escapers that make text safe between JSON double quotes.
#ifndef KX_JSON_ESCAPE_H_
#define KX_JSON_ESCAPE_H_

#include <string>

namespace kx {

// The light escaping of text members: CR LF and LF become "<br>", blanks are
// trimmed from both ends, then backslash, double quote and control characters
// are escaped. Bytes 127 and above pass unchanged.
std::string _OUTPUTSTRING(const std::string& text);

// The full escaping of company data: CR LF and LF become "<br>"; quote,
// backslash, "/", control characters and bytes above 126 are escaped; blanks
// are trimmed from both ends of the result.
std::string _OUTPUTJSONSTRING(const std::string& text);

// Escapes only double quote, backslash and control characters (codes 0 to
// 31: \t \r \b \f, others \u00XX); everything else passes unchanged.
std::string escape_json_chars(const std::string& text);

}  // namespace kx

#endif  // KX_JSON_ESCAPE_H_
