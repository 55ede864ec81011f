// Writing the current record of a work area into the open array element of
// a JSON writer. Each function registers on the activation stack under the
// writer's method name ("JSON:OUTPUTARRAYJSONOUTPUTFROMDBF", ...).
#ifndef KX_TABLE_FUNCTIONS_JSON_EXPORT_H_
#define KX_TABLE_FUNCTIONS_JSON_EXPORT_H_

#include <string>

#include "json/json.h"
#include "runtime/values/value.h"

namespace kx {

// Writes the fields of the current record of the work area alias as members
// of the open first-level element of json, character values with blanks
// trimmed from both ends, skipping the fields named in exclusions (an array
// of exact names). Without an open element it raises JSON::element's runtime
// error and writes nothing; each step on alias is an AliasedStep.
void OUTPUTARRAYJSONOUTPUTFROMDBF(JSON* json, const std::string& alias,
                                  const Value& exclusions = Value());
// The same into the open second-level element.
void OUTPUTARRAY2JSONOUTPUTFROMDBF(JSON* json, const std::string& alias,
                                   const Value& exclusions = Value());
// Writes the six audit fields of alias (InputBy, InputDate, InputTime,
// LastEditBy, LastEditDate, LastEditTime) into the open first-level element,
// when alias has the field INPUT_OLEH; nothing otherwise.
void OUTPUTARRAYJSONOUTPUTSECURE(JSON* json, const std::string& alias);

}  // namespace kx

#endif  // KX_TABLE_FUNCTIONS_JSON_EXPORT_H_
