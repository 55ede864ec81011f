// The error record: class ERROR, which describes one runtime error for the
// installed handler.
#ifndef KX_ERRORS_ERROR_RECORD_H_
#define KX_ERRORS_ERROR_RECORD_H_

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/values/symbol.h"
#include "runtime/values/value.h"

namespace kx {

// Fields in declaration order; a new record has every field empty.
class ERROR : public Object, public std::enable_shared_from_this<ERROR> {
 public:
  std::string class_name() const override { return "ERROR"; }

  // Sets STACK to the call-stack text from start_level (0 when start_level
  // is absent or not a number) and SUBSYSTEM to the executable's file name.
  void INIT(const Value& start_level = Value());

  // Evaluates the installed error handler with this record and returns its
  // result. Requires the record to be owned by a shared_ptr.
  Value THROW();

  std::string SUBSYSTEM;
  uint32_t SUBCODE = 0;
  uint32_t GENCODE = 0;
  uint32_t OSCODE = 0;
  uint32_t SEVERITY = 0;
  bool CANDEFAULT = false;
  bool CANRETRY = false;
  bool CANSUBSTITUTE = false;
  std::string OPERATION;
  std::string DESCRIPTION;
  std::string FILENAME;
  Array ARGS;
  uint32_t TRIES = 0;
  Symbol FUNCSYM;
  uint32_t FILEHANDLE = 0;
  uint32_t ARGNUM = 0;
  uintptr_t FUNCPTR = 0;
  std::string SUBCODETEXT;
  std::string ARG;
  uint32_t ARGTYPE = 0;
  uint32_t ARGTYPEREQ = 0;
  uint32_t MAXSIZE = 0;
  uint32_t SUBSTITUTETYPE = 0;
  uint32_t CHOICE = 0;
  Symbol CALLFUNCSYM;
  Value CARGO;
  std::shared_ptr<Object> METHODSELF;
  std::string STACK;
};

// The record a value holds, or nullptr when it holds none (nil, the null
// object, an object of another class, any other kind).
ERROR* as_error(const Value& value);

}  // namespace kx

#endif  // KX_ERRORS_ERROR_RECORD_H_
