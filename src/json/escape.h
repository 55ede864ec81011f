// The escaping that makes text safe between JSON double quotes.
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

// How escape_json_chars writes a line feed: the writer's members have it as
// \u000A, the state and error objects as \n.
enum class LineFeedEscape { kUnicode, kShort };

// Escapes only double quote, backslash and control characters (codes 0 to
// 31: \t \r \b \f, the line feed as line_feed says, others \u00XX with
// upper-case digits); everything else passes unchanged.
std::string escape_json_chars(const std::string& text,
                              LineFeedEscape line_feed = LineFeedEscape::kUnicode);

}  // namespace kx

#endif  // KX_JSON_ESCAPE_H_
