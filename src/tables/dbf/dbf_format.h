// On-disk constants of the table file (DBF) and its memo file (FPT).
#ifndef KX_TABLES_DBF_DBF_FORMAT_H_
#define KX_TABLES_DBF_DBF_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace kx::tables::dbf {

// ---- Table header (bytes 0-31) ----
constexpr size_t kHeaderSize = 32;
constexpr size_t kVersionOffset = 0;
constexpr size_t kLastUpdateOffset = 1;     // 3 bytes: year (see HeaderPrefix), month, day
constexpr size_t kRecordCountOffset = 4;    // LE32, deleted records included
constexpr size_t kHeaderLengthOffset = 8;   // LE16, offset of record 1
constexpr size_t kRecordLengthOffset = 10;  // LE16, deletion flag + field widths
constexpr size_t kTableFlagsOffset = 28;
constexpr size_t kCodePageOffset = 29;

// Table flags (byte 28).
constexpr uint8_t kTableFlagStructuralIndex = 0x01;
constexpr uint8_t kTableFlagMemo = 0x02;
constexpr uint8_t kTableFlagContainer = 0x04;

// Version bytes.
constexpr uint8_t kVersionDbase3 = 0x03;  // no memo
constexpr uint8_t kVersionVisual = 0x30;  // backlink follows the terminator
constexpr uint8_t kVersionVisualAutoinc = 0x31;
constexpr uint8_t kVersionVisualVarchar = 0x32;
constexpr uint8_t kVersionDbase4 = 0x43;
constexpr uint8_t kVersionDbase4Sql = 0x63;
constexpr uint8_t kVersionDbase3Memo = 0x83;
constexpr uint8_t kVersionDbase4Memo = 0x8B;
constexpr uint8_t kVersionDbase4SqlMemo = 0xCB;
constexpr uint8_t kVersionMemo = 0xF5;  // 10-digit memo pointers
constexpr uint8_t kVersionDbase4Memo2 = 0xFB;

// True for the version bytes whose header carries the 263-byte backlink.
constexpr bool has_backlink(uint8_t version) {
  return version == kVersionVisual || version == kVersionVisualAutoinc ||
         version == kVersionVisualVarchar;
}

// True for the version bytes of tables laid out as this reader expects.
constexpr bool is_known_version(uint8_t version) {
  switch (version) {
    case kVersionDbase3:
    case kVersionVisual:
    case kVersionVisualAutoinc:
    case kVersionVisualVarchar:
    case kVersionDbase4:
    case kVersionDbase4Sql:
    case kVersionDbase3Memo:
    case kVersionDbase4Memo:
    case kVersionDbase4SqlMemo:
    case kVersionMemo:
    case kVersionDbase4Memo2:
      return true;
    default:
      return false;
  }
}

// True for the dBase version bytes whose memo values live in a dBase memo
// file (DBT): 0x83 dBase III, 0x8B dBase IV.
constexpr bool has_dbase_memo(uint8_t version) {
  return version == kVersionDbase3Memo || version == kVersionDbase4Memo;
}

// ---- Field descriptors (32 bytes each from offset 32) ----
constexpr size_t kDescriptorSize = 32;
constexpr size_t kFieldNameSize = 11;  // NUL-padded
constexpr size_t kFieldTypeOffset = 11;
constexpr size_t kFieldWidthOffset = 16;
constexpr size_t kFieldDecimalsOffset = 17;
constexpr size_t kFieldFlagsOffset = 18;
constexpr uint8_t kDescriptorTerminator = 0x0D;
constexpr size_t kBacklinkSize = 263;
constexpr size_t kMaxFields = 255;  // visible fields; the hidden null-flag field is extra

// Field flags (descriptor byte 18).
constexpr uint8_t kFieldFlagSystem = 0x01;
constexpr uint8_t kFieldFlagNullable = 0x02;
constexpr uint8_t kFieldFlagBinary = 0x04;
constexpr uint8_t kFieldFlagAutoincrement = 0x08;

// Field type letters.
constexpr char kTypeCharacter = 'C';
constexpr char kTypeNumeric = 'N';
constexpr char kTypeFloat = 'F';
constexpr char kTypeDate = 'D';
constexpr char kTypeLogical = 'L';
constexpr char kTypeMemo = 'M';
constexpr char kTypeGeneral = 'G';
constexpr char kTypeBlob = 'W';
constexpr char kTypePicture = 'P';
constexpr char kTypeInteger = 'I';
constexpr char kTypeDouble = 'B';
constexpr char kTypeCurrency = 'Y';
constexpr char kTypeDateTime = 'T';
constexpr char kTypeVarchar = 'V';
constexpr char kTypeVarbinary = 'Q';
constexpr char kTypeNullFlags = '0';

// Fixed widths of the binary and date types.
constexpr uint8_t kDateWidth = 8;
constexpr uint8_t kLogicalWidth = 1;
constexpr uint8_t kIntegerWidth = 4;
constexpr uint8_t kDoubleWidth = 8;
constexpr uint8_t kCurrencyWidth = 8;
constexpr uint8_t kDateTimeWidth = 8;
constexpr uint8_t kMemoBinaryWidth = 4;   // LE32 block number
constexpr uint8_t kMemoDigitsWidth = 10;  // right-aligned ASCII block number

// ---- Records ----
constexpr uint8_t kRecordLive = 0x20;
constexpr uint8_t kRecordDeleted = 0x2A;
constexpr uint8_t kEndOfFile = 0x1A;

// Julian day number of 1970-01-01; datetime fields count days on this scale.
constexpr int64_t kJulian1970 = 2440588;
// Currency fields hold the value times this scale.
constexpr int kCurrencyScale = 10000;
constexpr int kCurrencyDecimals = 4;

// ---- Memo file (FPT) ----
constexpr size_t kMemoHeaderSize = 512;
constexpr size_t kMemoNextFreeOffset = 0;   // BE32
constexpr size_t kMemoBlockSizeOffset = 6;  // BE16
constexpr size_t kMemoBlockHeaderSize = 8;  // BE32 type, BE32 length
constexpr uint32_t kMemoTypePicture = 0;
constexpr uint32_t kMemoTypeText = 1;
constexpr uint32_t kMemoTypeObject = 2;

// ---- dBase memo file (DBT) ----
// Block 0 is the header. dBase III blocks are 512 bytes and a value runs to
// two end-of-file bytes; dBase IV states its block size in the header and
// starts each value with a marker and its length (the 8 bytes included).
constexpr uint32_t kDbtDbase3BlockSize = 512;
constexpr size_t kDbtBlockSizeOffset = 20;  // LE16, dBase IV
constexpr size_t kDbtValueHeaderSize = 8;   // FF FF 08 00, LE32 length
constexpr uint8_t kDbtValueMarker[4] = {0xFF, 0xFF, 0x08, 0x00};

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_DBF_FORMAT_H_
