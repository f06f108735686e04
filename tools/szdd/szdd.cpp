#include "szdd.h"

#include <algorithm>
#include <array>

namespace szdd {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::uint8_t kMethodA = 'A';
constexpr std::size_t kWindowSize = 4096;
constexpr std::size_t kWindowStart = kWindowSize - 16;  // where the first byte goes
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;

}  // namespace

bool IsCompressed(std::span<const std::uint8_t> data) {
  return data.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), data.begin());
}

std::optional<Expanded> Expand(std::span<const std::uint8_t> compressed, std::string& error) {
  if (!IsCompressed(compressed)) {
    error = "not a compressed file (no SZDD signature)";
    return std::nullopt;
  }
  if (compressed.size() < kHeaderSize) {
    error = "compressed file header is truncated (" + std::to_string(compressed.size()) + " of 14 bytes)";
    return std::nullopt;
  }
  if (compressed[8] != kMethodA) {
    error = "compressed file uses an unknown method '" + std::string(1, static_cast<char>(compressed[8])) + "'";
    return std::nullopt;
  }
  const std::uint32_t size = static_cast<std::uint32_t>(compressed[10]) |
                             (static_cast<std::uint32_t>(compressed[11]) << 8) |
                             (static_cast<std::uint32_t>(compressed[12]) << 16) |
                             (static_cast<std::uint32_t>(compressed[13]) << 24);
  if (size > kMaxExpandedSize) {
    error = "compressed file claims " + std::to_string(size) + " bytes, more than the " +
            std::to_string(kMaxExpandedSize) + " accepted";
    return std::nullopt;
  }
  // Each input byte yields at most 18 output bytes: a larger claim is false.
  const std::size_t payload = compressed.size() - kHeaderSize;
  if (static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(payload) * kMaxMatch) {
    error = "compressed file is truncated: " + std::to_string(payload) + " data bytes cannot hold " +
            std::to_string(size) + " bytes";
    return std::nullopt;
  }

  Expanded result;
  result.missingChar = static_cast<char>(compressed[9]);
  result.data.reserve(size);
  std::array<std::uint8_t, kWindowSize> window;
  window.fill(' ');
  std::size_t pos = kWindowStart;
  std::size_t in = kHeaderSize;
  auto put = [&](std::uint8_t byte) {
    result.data.push_back(byte);
    window[pos] = byte;
    pos = (pos + 1) % kWindowSize;
  };
  while (result.data.size() < size) {
    if (in >= compressed.size()) break;
    const std::uint8_t control = compressed[in++];
    for (int bit = 0; bit < 8 && result.data.size() < size; ++bit) {
      if (control & (1u << bit)) {
        if (in >= compressed.size()) break;
        put(compressed[in++]);
      } else {
        if (in + 1 >= compressed.size()) {
          in = compressed.size();
          break;
        }
        const std::size_t b1 = compressed[in], b2 = compressed[in + 1];
        in += 2;
        std::size_t from = b1 | ((b2 & 0xF0) << 4);
        const std::size_t length = (b2 & 0x0F) + kMinMatch;
        for (std::size_t i = 0; i < length && result.data.size() < size; ++i) {
          put(window[from]);
          from = (from + 1) % kWindowSize;
        }
      }
    }
  }
  if (result.data.size() < size) {
    error = "compressed file is truncated: " + std::to_string(result.data.size()) + " of " + std::to_string(size) +
            " bytes expanded";
    return std::nullopt;
  }
  return result;
}

std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> data, char missingChar) {
  std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
  out.push_back(kMethodA);
  out.push_back(static_cast<std::uint8_t>(missingChar));
  const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), UINT32_MAX));
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(size >> shift));

  // Greedy matching over hash chains of three-byte prefixes; a match only
  // refers to bytes already written, never to the window's initial blanks.
  constexpr std::size_t kHashSize = 1u << 13;
  constexpr int kMaxChain = 128;
  std::vector<std::int64_t> head(kHashSize, -1);
  std::vector<std::int64_t> previous(data.size(), -1);
  auto hash = [&](std::size_t i) {
    return ((static_cast<std::size_t>(data[i]) << 6) ^ (static_cast<std::size_t>(data[i + 1]) << 3) ^ data[i + 2]) &
           (kHashSize - 1);
  };
  auto insert = [&](std::size_t i) {
    if (i + kMinMatch > data.size()) return;
    const std::size_t h = hash(i);
    previous[i] = head[h];
    head[h] = static_cast<std::int64_t>(i);
  };

  std::size_t controlAt = 0;
  int bit = 8;
  std::size_t i = 0;
  while (i < size) {
    if (bit == 8) {
      controlAt = out.size();
      out.push_back(0);
      bit = 0;
    }
    std::size_t bestLength = 0, bestFrom = 0;
    if (i + kMinMatch <= size) {
      int chain = 0;
      for (std::int64_t c = head[hash(i)]; c >= 0 && chain < kMaxChain; c = previous[static_cast<std::size_t>(c)], ++chain) {
        const std::size_t candidate = static_cast<std::size_t>(c);
        // Far enough back that the window still holds it (the match may overlap i).
        if (i - candidate > kWindowSize - kMaxMatch) break;
        std::size_t length = 0;
        while (length < kMaxMatch && i + length < size && data[candidate + length] == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestFrom = candidate;
          if (length == kMaxMatch) break;
        }
      }
    }
    if (bestLength >= kMinMatch) {
      const std::size_t position = (bestFrom + kWindowStart) % kWindowSize;
      out.push_back(static_cast<std::uint8_t>(position & 0xFF));
      out.push_back(static_cast<std::uint8_t>(((position >> 4) & 0xF0) | (bestLength - kMinMatch)));
      for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      out[controlAt] |= static_cast<std::uint8_t>(1u << bit);
      out.push_back(data[i]);
      insert(i);
      ++i;
    }
    ++bit;
  }
  return out;
}

std::string CompressedName(const std::string& name, char* missingChar) {
  if (missingChar != nullptr) *missingChar = 0;
  const std::size_t slash = name.find_last_of("\\/");
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot < base) return name + "._";
  if (name.size() - dot - 1 >= 3) {
    std::string result = name;
    if (missingChar != nullptr) *missingChar = result.back();
    result.back() = '_';
    return result;
  }
  return name + "_";
}

}  // namespace szdd
