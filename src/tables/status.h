// The error value of the table layer: what failed, in the terms that the
// runtime's error record uses.
#ifndef KX_TABLES_STATUS_H_
#define KX_TABLES_STATUS_H_

#include <cstdint>
#include <string>
#include <utility>

#include "runtime/errors/generic_codes.h"

namespace kx::tables {

// Driver subcodes (the SUBCODE of an error record), one per kind of failure.
constexpr uint32_t kSubOpen = 1001;
constexpr uint32_t kSubRead = 1010;
constexpr uint32_t kSubCorruption = 1012;
constexpr uint32_t kSubArgument = 1020;
constexpr uint32_t kSubNoTable = 1021;

class Status {
 public:
  Status() = default;
  Status(uint32_t gencode, uint32_t subcode, uint32_t oscode, std::string filename,
         std::string operation, std::string description)
      : gencode_(gencode),
        subcode_(subcode),
        oscode_(oscode),
        filename_(std::move(filename)),
        operation_(std::move(operation)),
        description_(std::move(description)) {}

  static Status corruption(const std::string& filename, const std::string& description) {
    return Status(kGenCorruption, kSubCorruption, 0, filename, "", description);
  }
  // An expression that cannot be compiled or evaluated, or a key that cannot
  // be made from its value; gencode says how (a type that does not fit, a
  // division by zero, ...).
  static Status expression(const std::string& description, uint32_t gencode = kGenArgument) {
    return Status(gencode, kSubArgument, 0, "", "", description);
  }
  static Status read_error(const std::string& filename, uint32_t oscode,
                           const std::string& description) {
    return Status(kGenRead, kSubRead, oscode, filename, "", description);
  }

  bool ok() const { return gencode_ == 0; }
  uint32_t gencode() const { return gencode_; }
  uint32_t subcode() const { return subcode_; }
  uint32_t oscode() const { return oscode_; }
  const std::string& filename() const { return filename_; }
  const std::string& operation() const { return operation_; }
  const std::string& description() const { return description_; }
  void set_operation(std::string operation) { operation_ = std::move(operation); }

 private:
  uint32_t gencode_ = 0;
  uint32_t subcode_ = 0;
  uint32_t oscode_ = 0;
  std::string filename_;
  std::string operation_;
  std::string description_;
};

}  // namespace kx::tables

#endif  // KX_TABLES_STATUS_H_
