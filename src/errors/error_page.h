// The installed error handler of the running program and its HTML error
// page, which the web application shows as it is.
#ifndef KX_ERRORS_ERROR_PAGE_H_
#define KX_ERRORS_ERROR_PAGE_H_

#include <cstdint>
#include <string>

#include "runtime/values/value.h"

namespace kx {

// The attribution line under the banner.
inline constexpr const char* kPageAttribution =
    "kursexport - exchange rates for the point-of-sale web application<br>";

// The deepest activation level that the page lists.
constexpr uint32_t kPageLastLevel = 10;

// text with & < > " written as HTML character references.
std::string html_escape(const std::string& text);

// Writes the error page, one QOUT per line: the banner, the record's fields
// (left out when error holds no ERROR record), the extra text when it is not
// empty, the current work area, and the call stack from start_level to at
// most level kPageLastLevel, stopping at the first level without an entry.
// Every value is masked (runtime/process/secrets.h) and HTML-escaped.
void MYERRORHANDLEREX(const Value& error, const std::string& text, uint32_t start_level);

// Writes the page from level 2 (the first level below the two handler
// functions) and ends the process through the orderly exit.
[[noreturn]] void MYERRORHANDLER(const Value& error);

}  // namespace kx

#endif  // KX_ERRORS_ERROR_PAGE_H_
