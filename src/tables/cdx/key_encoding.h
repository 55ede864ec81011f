// How values become index keys under machine collation, so that unsigned
// byte comparison (memcmp) orders them like the values.
#ifndef KX_TABLES_CDX_KEY_ENCODING_H_
#define KX_TABLES_CDX_KEY_ENCODING_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values/date.h"
#include "runtime/values/value.h"
#include "tables/cdx/index_file.h"

namespace kx::tables::cdx {

// The byte that marks a non-NULL value in a nullable key (a NULL is a key of
// all zero bytes).
constexpr char kNotNullIndicator = '\x80';

// 8 bytes: the IEEE-754 double in big-endian order, with the sign bit set for
// values >= 0 and all bits inverted for negative values.
std::string encode_numeric(double value);
// 4 bytes: value + 2^31 as a big-endian unsigned number.
std::string encode_integer(int32_t value);
// 8 bytes: the numeric encoding of the Julian day number (0 for the empty date).
std::string encode_date(const Date& date);
// 1 byte: 'T' or 'F'.
std::string encode_logical(bool value);

// The reverse; each returns nullopt when key has the wrong length.
std::optional<double> decode_numeric(std::string_view key);
std::optional<int32_t> decode_integer(std::string_view key);
// The empty date for a day number of 0 or one that is not a whole day.
std::optional<Date> decode_date(std::string_view key);
std::optional<bool> decode_logical(std::string_view key);

// The bytes to seek in tag for value:
//  - string: its bytes (a prefix seek when shorter than the key), cut to the
//    key length;
//  - integer or float: the 4-byte integer encoding when the value part of
//    the key is 4 bytes long (a float is rounded up to the next whole
//    number, so that a soft seek lands right), else the 8-byte numeric one;
//  - date: the date encoding; logic: 'T' or 'F';
//  - nil: the empty prefix (the first key).
// In a nullable tag every value but nil gets the indicator byte first (the
// cut to the key length counts it).
// Returns nullopt for values that cannot be keys (array, object, ...).
std::optional<std::string> encode_seek_key(const TagInfo& tag, const Value& value);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_KEY_ENCODING_H_
