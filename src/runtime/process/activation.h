// The activation stack: one entry per active call of the program's own
// functions, with the statement the call is executing.
#ifndef KX_RUNTIME_PROCESS_ACTIVATION_H_
#define KX_RUNTIME_PROCESS_ACTIVATION_H_

#include <cstdint>
#include <string>

namespace kx {

// Module names of the program's functions.
inline constexpr const char* kModuleMain = "Main";
inline constexpr const char* kModuleStart = "Start";
inline constexpr const char* kModuleFunctions = "Functions";
inline constexpr const char* kModuleDatabases = "Func  Databases";
inline constexpr const char* kModuleJson = "Class  JSON";
inline constexpr const char* kModuleFile = "Class  File";

// Registers a call for the lifetime of the object. name and module must be
// string literals (they are kept by address). The call starts on statement 1;
// at(n) moves it to statement n.
class Activation {
 public:
  Activation(const char* name, const char* module);
  ~Activation();
  Activation(const Activation&) = delete;
  Activation& operator=(const Activation&) = delete;

  void at(uint32_t statement);

 private:
  size_t index_;
};

// Number of registered calls.
size_t activation_depth();
// Level 0 is the innermost call. Name and module are empty and the statement
// 0 for a level that does not exist.
std::string activation_name(size_t level);
std::string activation_module(size_t level);
uint32_t activation_line(size_t level);

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_ACTIVATION_H_
