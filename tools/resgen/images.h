// Pictures of the language resource library: the wizard's picture buttons,
// the logo with its mask, and the icons. They are drawn here, pixel by pixel,
// so that the committed .bmp and .ico files can always be made again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resgen {

struct ImageFile {
  std::string name;                 // file name inside resources/images
  std::vector<std::uint8_t> bytes;  // whole .bmp or .ico file
};

// Every picture the .rc files name, in a fixed order.
std::vector<ImageFile> GenerateImages();

// Writes GenerateImages() into folder, making it when needed; false with a
// reason when a file cannot be written.
bool WriteImages(const std::string& folder, std::string& error);

}  // namespace resgen
