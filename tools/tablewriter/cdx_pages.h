// Compound index nodes as the index writers handle them: a whole page decoded
// into entries (for writers that change an index in place), and entries
// encoded into a page again (leaves compressed as the point-of-sale
// application does).
#ifndef KX_TOOLS_TABLEWRITER_CDX_PAGES_H_
#define KX_TOOLS_TABLEWRITER_CDX_PAGES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kx::writer::cdx_pages {

constexpr size_t kPage = 512;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint16_t kRootBit = 1;
constexpr uint16_t kLeafBit = 2;
// Header fields of a tag (and of the directory).
constexpr size_t kRootField = 0;     // LE32
constexpr size_t kCounterField = 8;  // BE32
constexpr size_t kKeyLengthField = 12;

struct Entry {
  std::string key;  // key_length bytes, fill restored
  uint32_t recno = 0;
  uint32_t child = 0;  // interior nodes only
};

// (key, record number) order, the order of every tag.
bool entry_less(const Entry& a, const Entry& b);

struct Page {
  uint64_t offset = 0;
  uint16_t attributes = 0;
  uint32_t left = kNone;
  uint32_t right = kNone;
  std::vector<Entry> entries;

  bool leaf() const { return (attributes & kLeafBit) != 0; }
  bool root() const { return (attributes & kRootBit) != 0; }
};

// Decodes a page of kPage bytes read at offset. False with *error when the
// page is not a node this writer understands.
bool decode_page(const std::string& bytes, uint64_t offset, uint16_t key_length, char fill,
                 Page* page, std::string* error);

// The page's kPage bytes; false when its entries do not fit in one page.
bool encode_page(const Page& page, uint16_t key_length, char fill, std::string* bytes);

// Bits needed to hold v (0 for 0).
unsigned bit_length(uint64_t v);
// key's length without its trailing fill bytes.
size_t trimmed_length(const std::string& key, char fill);

uint32_t get_le32(const std::string& bytes, size_t at);
uint32_t get_be32(const std::string& bytes, size_t at);
void set_le32(std::string* bytes, size_t at, uint32_t v);
void set_be32(std::string* bytes, size_t at, uint32_t v);

}  // namespace kx::writer::cdx_pages

#endif  // KX_TOOLS_TABLEWRITER_CDX_PAGES_H_
