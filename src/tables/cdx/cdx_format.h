// The constants of the compound index (CDX) file layout, in one place.
#ifndef KX_TABLES_CDX_CDX_FORMAT_H_
#define KX_TABLES_CDX_CDX_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace kx::tables::cdx {

// Every node is one page; every pointer is a byte offset that is a multiple
// of the page size.
constexpr size_t kPageSize = 512;
// The directory header and every tag header: a header page and an
// expression page.
constexpr size_t kHeaderSize = 1024;
constexpr uint32_t kNoPage = 0xFFFFFFFF;

// Header fields (offsets from the start of a header).
constexpr size_t kHeaderRoot = 0;         // LE32
constexpr size_t kHeaderCounter = 8;      // BE32, raised by a writer on each change
constexpr size_t kHeaderKeyLength = 12;   // LE16
constexpr size_t kHeaderOptions = 14;     // 1 byte
constexpr size_t kHeaderSignature = 15;   // 1 byte
constexpr size_t kHeaderCollation = 494;  // 8 bytes, NUL padded
constexpr size_t kCollationSize = 8;
constexpr size_t kHeaderDescending = 502;     // LE16, 1 = descending
constexpr size_t kHeaderForOffset = 504;      // LE16, within the expression page
constexpr size_t kHeaderForLength = 506;      // LE16, NUL included
constexpr size_t kHeaderKeyOffset = 508;      // LE16
constexpr size_t kHeaderKeyExprLength = 510;  // LE16, NUL included
constexpr size_t kExpressionPage = 512;

// Option bits.
constexpr uint8_t kOptionUnique = 0x01;
constexpr uint8_t kOptionNullable = 0x02;
constexpr uint8_t kOptionCandidate = 0x04;
constexpr uint8_t kOptionFor = 0x08;
constexpr uint8_t kOptionCompact = 0x20;
constexpr uint8_t kOptionCompound = 0x40;
constexpr uint8_t kOptionDirectory = 0x80;

// Signatures.
constexpr uint8_t kSignatureMachine = 1;
constexpr uint8_t kSignatureCollated = 2;
constexpr uint8_t kSignatureBitmap = 5;

// The directory: tag names as keys, tag header offsets as record numbers.
constexpr uint16_t kDirectoryKeyLength = 10;
constexpr char kDirectoryFill = ' ';

// Longest key accepted: interior nodes must hold at least two entries.
constexpr uint16_t kMaxKeyLength = 240;

// Node header.
constexpr size_t kNodeAttributes = 0;  // LE16
constexpr size_t kNodeCount = 2;       // LE16
constexpr size_t kNodeLeft = 4;        // LE32
constexpr size_t kNodeRight = 8;       // LE32
constexpr size_t kNodeHeaderSize = 12;
constexpr uint16_t kAttrRoot = 0x01;
constexpr uint16_t kAttrLeaf = 0x02;
// Bit 2 marks some rewritten nodes; higher bits are never set in a node.
constexpr uint16_t kAttrKnownBits = 0x07;

// Interior entries: key, BE32 record number, BE32 child pointer.
constexpr size_t kInteriorEntryExtra = 8;
constexpr size_t kInteriorRoom = kPageSize - kNodeHeaderSize;

// Leaf layout fields.
constexpr size_t kLeafFree = 12;       // LE16
constexpr size_t kLeafRecnoMask = 14;  // LE32
constexpr size_t kLeafDupMask = 18;
constexpr size_t kLeafTrailMask = 19;
constexpr size_t kLeafRecnoBits = 20;
constexpr size_t kLeafDupBits = 21;
constexpr size_t kLeafTrailBits = 22;
constexpr size_t kLeafEntrySize = 23;
constexpr size_t kLeafEntries = 24;
constexpr size_t kLeafRoom = kPageSize - kLeafEntries;

// Bounds on walks through damaged files.
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxTags = 1024;

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_CDX_FORMAT_H_
