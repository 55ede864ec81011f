// Raising a runtime error: the details of a failure go to the registered
// error-record factory, and the record it makes goes to the installed handler.
#ifndef KX_RUNTIME_ERRORS_RUNTIME_ERROR_H_
#define KX_RUNTIME_ERRORS_RUNTIME_ERROR_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/errors/generic_codes.h"
#include "runtime/values/symbol.h"
#include "runtime/values/value.h"

namespace kx {

// Everything the runtime knows about a failure; the fields of the runtime
// error structure that the factory turns into an error record.
struct RuntimeError {
  std::string subsystem;
  uint32_t subcode = 0;
  uint32_t gencode = 0;
  uint32_t oscode = 0;
  uint32_t severity = 2;
  bool can_default = false;
  bool can_retry = false;
  bool can_substitute = false;
  std::string operation;
  std::string description;
  std::string filename;
  std::vector<Value> args;
  uint32_t tries = 0;
  Symbol funcsym;
  uint32_t filehandle = 0;
  uint32_t argnum = 0;
  uintptr_t funcptr = 0;
  std::string subcodetext;
  std::string arg;
  uint32_t argtype = 0;
  uint32_t argtypereq = 0;
  uint32_t maxsize = 0;
  uint32_t substitutetype = 0;
  uint32_t choice = 0;
  Symbol callfuncsym;
};

using ErrorFactory = std::function<Value(const RuntimeError& details)>;

// Registers the factory that makes error records (once, at process start).
void register_error_factory(ErrorFactory factory);
bool error_factory_registered();

// The record the registered factory makes of details; nil without a factory.
Value make_error_record(const RuntimeError& details);

// Makes the record and hands it to the installed handler; returns the
// handler's result to the raiser.
Value raise_runtime_error(const RuntimeError& details);

// The installed error handler: one process-wide code block that receives the
// error record of every runtime error.
using ErrorBlock = std::function<Value(const Value& error)>;

void install_error_handler(ErrorBlock block);
bool error_handler_installed();

// Evaluates the installed block with the error record and returns its result
// to the raiser (nil when no block is installed).
Value raise_error(const Value& error);

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_RUNTIME_ERROR_H_
