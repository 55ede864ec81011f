// The program's own checks around the table functions. A check that fails
// writes a JSON error object and ends the run (errors/json_objects.h).
#ifndef KX_TABLE_FUNCTIONS_PROGRAM_HELPERS_H_
#define KX_TABLE_FUNCTIONS_PROGRAM_HELPERS_H_

#include <cstdint>
#include <string>

#include "runtime/values/value.h"

namespace kx {

// Sets the order of the current work area (tag name or number) and returns
// true; an empty alias, a blank order name or an order the area cannot take
// ends the run with "CANNOT SET ORDER TO ...".
bool VOSETORDER(const Value& order);
// The declared width of a field of the current work area; a missing field
// ends the run with "CANNOT FIND FIELD ...".
uint16_t VOFIELDLEN(const std::string& field_name);
// Puts the current work area on its blank record with the found flag false;
// returns true.
bool VOSEEKFAILED();

}  // namespace kx

#endif  // KX_TABLE_FUNCTIONS_PROGRAM_HELPERS_H_
