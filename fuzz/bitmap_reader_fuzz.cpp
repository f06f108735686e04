// Fuzzes the bitmap reader with the input as a language picture file (the
// page's reading, then the decoding the headless and terminal hosts do) and
// as a packed DIB on its own. Whatever the header claims, nothing is read
// beyond the input, nothing written beyond the picture, and the decoder
// accepts exactly what the check accepts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "platform/bitmap_reader.h"
#include "wizard/language_page.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// Pictures larger than this are not decoded here (the hosts refuse them too).
constexpr std::uint64_t kMostPixels = 1u << 20;

void ExerciseDib(std::span<const std::uint8_t> dib) {
  std::string error;
  const auto header = platform::ReadDibHeader(dib, error);
  if (!header) {
    Check(!error.empty(), "a refused header says why");
    return;
  }
  Check(header->width > 0 && header->height != 0, "a read header has a size");
  std::uint64_t used = 0;
  const bool whole = platform::CheckDibBits(dib, *header, error, &used);
  if (whole) Check(header->BitsOffset() + used <= dib.size(), "the bits used lie within the data");
  const std::uint64_t pixels = std::uint64_t(header->width) * std::uint64_t(header->Rows());
  if (pixels > kMostPixels) return;
  const auto decoded = platform::DecodeDib(dib, *header, kMostPixels, error);
  Check(decoded.has_value() == whole, "the decoder takes what the check takes");
  if (decoded) Check(decoded->colours.size() == pixels, "a colour for every pixel");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  ExerciseDib(bytes);
  // The same bytes as a bitmap file, whether or not they begin with "BM".
  std::vector<char> file(data, data + size);
  if (file.size() >= 2) {
    file[0] = 'B';
    file[1] = 'M';
  }
  if (const auto picture = ReadPagePicture(file)) {
    Check(picture->width > 0 && picture->height > 0, "a picture has a size");
    Check(picture->bitsOffset <= picture->dib.size(), "the bits begin within the picture");
    Check(picture->palette.size() % 3 == 0, "three bytes a palette entry");
    if (std::uint64_t(picture->width) * std::uint64_t(picture->height) <= kMostPixels) {
      std::string error;
      const auto header = platform::ReadDibHeader(picture->dib, error);
      Check(header.has_value(), "a picture's header reads again");
      Check(platform::DecodeDib(picture->dib, *header, kMostPixels, error).has_value(), "a picture decodes");
    }
  }
  return 0;
}
