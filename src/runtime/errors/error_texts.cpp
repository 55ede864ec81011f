#include "runtime/errors/error_texts.h"

namespace kx {
namespace {

struct CodeText {
  uint32_t code;
  const char* text;
};

constexpr CodeText kGenericTexts[] = {
    {1, "Argument error"},
    {2, "Value out of range"},
    {3, "String overflow"},
    {4, "Numeric overflow"},
    {5, "Division by zero"},
    {6, "Numeric error"},
    {7, "Syntax error"},
    {8, "Operation too complex"},
    {11, "Memory low"},
    {12, "Function not found"},
    {13, "No exported method"},
    {14, "No exported variable"},
    {15, "Alias not found"},
    {16, "Alias already in use"},
    {17, "Field not found"},
    {20, "Create error"},
    {21, "Open error"},
    {22, "Close error"},
    {23, "Read error"},
    {24, "Write error"},
    {25, "Print error"},
    {28, "Wrong class"},
    {30, "Operation not supported"},
    {31, "Limit exceeded"},
    {32, "Corruption detected"},
    {33, "Data type error"},
    {34, "Data width error"},
    {35, "Work area not in use"},
    {36, "Order not found"},
    {37, "Exclusive use required"},
    {38, "Lock required"},
    {39, "Write not allowed"},
    {40, "Append lock failed"},
    {41, "Lock failed"},
};

constexpr CodeText kOsTexts[] = {
    {1, "Invalid function"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "Access denied"},
    {6, "Invalid handle"},
    {8, "Not enough memory"},
    {12, "Invalid access code"},
    {15, "Drive not found"},
    {19, "Disk is write-protected"},
    {21, "Device not ready"},
    {29, "Write fault"},
    {30, "Read fault"},
    {31, "General failure"},
    {32, "Sharing violation"},
    {33, "Lock violation"},
    {38, "End of file reached"},
    {39, "Disk full"},
    {50, "Request not supported"},
    {53, "Network path not found"},
    {64, "Network name no longer available"},
    {65, "Network access denied"},
    {67, "Network name not found"},
    {80, "File already exists"},
    {85, "Local device name already in use"},
    {86, "Invalid network password"},
    {87, "Invalid parameter"},
    {112, "Disk full"},
    {123, "Invalid file, folder or volume name"},
    {183, "File already exists"},
    {1200, "Invalid device name"},
    {1203, "No network provider accepted the path"},
    {1219, "Conflicting credentials for the same server"},
    {1222, "Network not present or not started"},
    {1326, "Unknown user name or bad password"},
    {2250, "Network connection does not exist"},
};

template <size_t N>
const char* find_text(const CodeText (&table)[N], uint32_t code) {
  for (const CodeText& entry : table) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace

std::string generic_error_text(uint32_t gencode) {
  if (gencode == 0) return "";
  const char* text = find_text(kGenericTexts, gencode);
  return text ? text : "Error " + std::to_string(gencode);
}

std::string os_error_text(uint32_t oscode) {
  if (oscode == 0) return "";
  const char* text = find_text(kOsTexts, oscode);
  return text ? text : "Operating-system error " + std::to_string(oscode);
}

}  // namespace kx
