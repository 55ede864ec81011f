// Comparing and rebuilding index keys: the inner loops of reading a node,
// small enough to inline.
#ifndef KX_TABLES_CDX_KEY_BYTES_H_
#define KX_TABLES_CDX_KEY_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tables/bytes.h"

namespace kx::tables::cdx {

// True when key is not less than prev (key_length bytes each, unsigned)
// given that they share their first dup bytes: the comparison starts there
// and usually ends on the first byte compared.
inline bool ordered(const char* prev, const char* key, size_t dup, size_t key_length) {
  for (size_t j = dup; j < key_length; ++j) {
    if (key[j] != prev[j]) {
      return static_cast<unsigned char>(key[j]) > static_cast<unsigned char>(prev[j]);
    }
  }
  return true;
}

// memcmp's sign for n bytes, a big-endian word at a time.
inline int compare_bytes(const uint8_t* a, const uint8_t* b, size_t n) {
  for (; n >= 8; n -= 8, a += 8, b += 8) {
    const uint64_t x = decode_be64(a), y = decode_be64(b);
    if (x != y) return x < y ? -1 : 1;
  }
  for (; n > 0; --n, ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

// compare_bytes for keys in a buffer that can be read up to 7 bytes past
// both of them: whole words are read and the bytes past n masked off.
inline int compare_in_page(const uint8_t* a, const uint8_t* b, size_t n) {
  for (;; n -= 8, a += 8, b += 8) {
    uint64_t x = decode_be64(a), y = decode_be64(b);
    if (n < 8) {
      const uint64_t mask = n == 0 ? 0 : ~uint64_t{0} << (8 * (8 - n));
      x &= mask;
      y &= mask;
    }
    if (x != y) return x < y ? -1 : 1;
    if (n <= 8) return 0;
  }
}

// Moves kWords 8-byte words: all are read before any is written, so the
// ranges may overlap.
template <size_t kWords>
inline void move_words(char* to, const char* from) {
  uint64_t words[kWords];
  std::memcpy(words, from, sizeof words);
  std::memcpy(to, words, sizeof words);
}

// Writes a leaf key at key: the first dup bytes of the key just before it
// (at key - key_length; none for the first key), the stored bytes, then the
// fill up to key_length. With kWords > 0, keys of up to 8 * kWords bytes are
// built by whole words: each write may run up to 8 * kWords bytes past the
// key, and stored_bytes is read as far, so both buffers need that slack.
// With kWords == 0 every copy is exact.
template <size_t kWords>
inline void build_key(char* key, size_t key_length, size_t dup, const char* stored_bytes,
                      size_t stored, uint64_t fill_word) {
  if constexpr (kWords == 0) {
    if (dup > 0) std::memcpy(key, key - key_length, dup);
    std::memcpy(key + dup, stored_bytes, stored);
    std::memset(key + dup + stored, static_cast<char>(fill_word), key_length - dup - stored);
  } else {
    // Left to right, each write overruns only into what the next one writes.
    if (dup > 0) move_words<kWords>(key, key - key_length);
    move_words<kWords>(key + dup, stored_bytes);
    for (size_t j = 0; j < kWords; ++j) std::memcpy(key + dup + stored + 8 * j, &fill_word, 8);
  }
}

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_KEY_BYTES_H_
