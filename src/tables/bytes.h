// Bounds-checked reading of fixed-width numbers from bytes read out of a
// table, memo or index file. Every helper names its byte order at the call:
// read_le32(&view, &v), read_be32(&view, &v).
#ifndef KX_TABLES_BYTES_H_
#define KX_TABLES_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kx::tables {

// A view of bytes owned elsewhere; it stays valid as long as they do. The
// read_* helpers below consume bytes from its front. A read that would run
// past the end returns false and leaves the view unchanged; nothing ever
// reads outside the view.
class ByteView {
 public:
  ByteView() = default;
  ByteView(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit ByteView(std::string_view bytes) : ByteView(bytes.data(), bytes.size()) {}

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Requires i < size().
  uint8_t operator[](size_t i) const { return data_[i]; }
  std::string_view as_string_view() const {
    return std::string_view(reinterpret_cast<const char*>(data_), size_);
  }
  std::string to_string() const { return std::string(as_string_view()); }

  // The bytes [offset, offset + length). False, *out unchanged, when that
  // range does not lie wholly inside the view. Offsets are 64-bit so that
  // numbers read from a file can be passed without narrowing.
  bool slice(uint64_t offset, uint64_t length, ByteView* out) const {
    if (offset > size_ || length > size_ - offset) return false;
    *out = ByteView(data_ + offset, static_cast<size_t>(length));
    return true;
  }

  // Takes n bytes off the front into *out; false when fewer remain.
  bool take(uint64_t n, ByteView* out) {
    if (!slice(0, n, out)) return false;
    data_ += n;
    size_ -= static_cast<size_t>(n);
    return true;
  }

  // Drops n bytes from the front; false when fewer remain.
  bool skip(uint64_t n) {
    ByteView ignored;
    return take(n, &ignored);
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Decoders over a pointer to at least the named number of bytes. Use them on
// bytes already known to be in range (a checked slice); otherwise use read_*.
inline uint16_t decode_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t decode_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t decode_le64(const uint8_t* p) {
  return static_cast<uint64_t>(decode_le32(p)) | (static_cast<uint64_t>(decode_le32(p + 4)) << 32);
}
inline uint16_t decode_be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t decode_be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint64_t decode_be64(const uint8_t* p) {
  return (static_cast<uint64_t>(decode_be32(p)) << 32) | static_cast<uint64_t>(decode_be32(p + 4));
}
// An unsigned little-endian number of width bytes (1 to 8).
inline uint64_t decode_le(const uint8_t* p, size_t width) {
  uint64_t v = 0;
  for (size_t i = width; i > 0; --i) v = (v << 8) | p[i - 1];
  return v;
}

namespace bytes_internal {
template <size_t kWidth, class T, class Decode>
bool read_fixed(ByteView* view, T* out, Decode decode) {
  ByteView field;
  if (!view->take(kWidth, &field)) return false;
  *out = decode(field.data());
  return true;
}
}  // namespace bytes_internal

// Each reads one number from the front of *view and advances it. False, with
// *view and *out unchanged, when too few bytes remain.
inline bool read_u8(ByteView* view, uint8_t* out) {
  return bytes_internal::read_fixed<1>(view, out, [](const uint8_t* p) { return p[0]; });
}
inline bool read_le16(ByteView* view, uint16_t* out) {
  return bytes_internal::read_fixed<2>(view, out, decode_le16);
}
inline bool read_le32(ByteView* view, uint32_t* out) {
  return bytes_internal::read_fixed<4>(view, out, decode_le32);
}
inline bool read_le64(ByteView* view, uint64_t* out) {
  return bytes_internal::read_fixed<8>(view, out, decode_le64);
}
inline bool read_be16(ByteView* view, uint16_t* out) {
  return bytes_internal::read_fixed<2>(view, out, decode_be16);
}
inline bool read_be32(ByteView* view, uint32_t* out) {
  return bytes_internal::read_fixed<4>(view, out, decode_be32);
}
inline bool read_be64(ByteView* view, uint64_t* out) {
  return bytes_internal::read_fixed<8>(view, out, decode_be64);
}
// An unsigned little-endian number of width bytes; width must be 1 to 8
// (false otherwise).
inline bool read_le(ByteView* view, size_t width, uint64_t* out) {
  if (width < 1 || width > 8) return false;
  ByteView field;
  if (!view->take(width, &field)) return false;
  *out = decode_le(field.data(), width);
  return true;
}

// a + b and a * b without wrap-around; false (and *out unchanged) on overflow.
inline bool checked_add(uint64_t a, uint64_t b, uint64_t* out) {
  if (b > UINT64_MAX - a) return false;
  *out = a + b;
  return true;
}
inline bool checked_mul(uint64_t a, uint64_t b, uint64_t* out) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  *out = a * b;
  return true;
}

// True when [offset, offset + length) lies inside a file of file_size bytes.
inline bool range_inside(uint64_t offset, uint64_t length, uint64_t file_size) {
  return offset <= file_size && length <= file_size - offset;
}

}  // namespace kx::tables

#endif  // KX_TABLES_BYTES_H_
