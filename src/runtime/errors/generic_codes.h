// The generic error codes (the GENCODE of an error record), the same for
// every subsystem: the runtime raises them and the table driver returns them.
#ifndef KX_RUNTIME_ERRORS_GENERIC_CODES_H_
#define KX_RUNTIME_ERRORS_GENERIC_CODES_H_

#include <cstdint>

namespace kx {

constexpr uint32_t kGenArgument = 1;  // a wrong argument
constexpr uint32_t kGenBound = 2;     // an argument out of range (a field position)
constexpr uint32_t kGenStringOverflow = 3;
constexpr uint32_t kGenNumOverflow = 4;
constexpr uint32_t kGenZeroDiv = 5;
constexpr uint32_t kGenNoMethod = 13;
constexpr uint32_t kGenNoVarMethod = 14;
constexpr uint32_t kGenNoAlias = 15;   // alias not found
constexpr uint32_t kGenDupAlias = 16;  // alias already in use
constexpr uint32_t kGenNoField = 17;
constexpr uint32_t kGenCreate = 20;
constexpr uint32_t kGenOpen = 21;  // the file cannot be opened
constexpr uint32_t kGenClose = 22;
constexpr uint32_t kGenRead = 23;  // a read failed or came back short
constexpr uint32_t kGenWrite = 24;
constexpr uint32_t kGenWrongClass = 28;
constexpr uint32_t kGenCorruption = 32;  // a file's contents are inconsistent
constexpr uint32_t kGenDataType = 33;
constexpr uint32_t kGenDataWidth = 34;
constexpr uint32_t kGenNoTable = 35;  // no table open in the work area
constexpr uint32_t kGenNoOrder = 36;  // a seek in an area without an index order
constexpr uint32_t kGenShared = 37;

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_GENERIC_CODES_H_
