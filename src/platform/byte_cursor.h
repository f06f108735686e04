// Little-endian reads over bytes that came from outside (a file, a
// resource): a read never goes past the end. The first read that would
// stops the cursor; it and every later read yield 0, so a caller reads a
// group of fields and tests ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> data, std::size_t at = 0)
      : m_data(data), m_pos(at), m_ok(at <= data.size()) {}

  bool ok() const { return m_ok; }
  std::size_t pos() const { return m_pos; }
  std::size_t left() const { return m_ok ? m_data.size() - m_pos : 0; }

  // Whether `count` more bytes are there; stops the cursor when not.
  bool Need(std::uint64_t count) {
    if (m_ok && count > m_data.size() - m_pos) m_ok = false;
    return m_ok;
  }
  std::uint8_t U8() { return Need(1) ? m_data[m_pos++] : 0; }
  std::uint16_t U16() {
    if (!Need(2)) return 0;
    m_pos += 2;
    return static_cast<std::uint16_t>(m_data[m_pos - 2] | m_data[m_pos - 1] << 8);
  }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    m_pos += 4;
    return static_cast<std::uint32_t>(m_data[m_pos - 4]) | static_cast<std::uint32_t>(m_data[m_pos - 3]) << 8 |
           static_cast<std::uint32_t>(m_data[m_pos - 2]) << 16 | static_cast<std::uint32_t>(m_data[m_pos - 1]) << 24;
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  void Skip(std::uint64_t count) {
    if (Need(count)) m_pos += static_cast<std::size_t>(count);
  }

 private:
  std::span<const std::uint8_t> m_data;
  std::size_t m_pos;
  bool m_ok;
};

}  // namespace platform
