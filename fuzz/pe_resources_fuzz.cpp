// Fuzzes the PE resource reader: the input is parsed as a whole image and,
// when that succeeds, every resource is loaded through each reader; the
// same bytes also go straight to the readers of single resources, so they
// are explored without a valid image around them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "platform/sim/pe_resources.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

constexpr unsigned kCodePages[] = {1252, 1250, 1251, 65001, 932};

void ExerciseImage(const sim::PeResources& pe) {
  for (std::uint32_t type : {sim::kRtBitmap, sim::kRtIcon, sim::kRtDialog, sim::kRtString, sim::kRtGroupIcon,
                             sim::kRtVersion, sim::kRtRcData}) {
    for (std::uint32_t id : pe.Ids(type)) {
      Check(pe.HasResource(type, id), "a listed id is present");
      const auto raw = pe.LoadRaw(type, id);
      Check(raw.has_value(), "a listed id loads");
      Check(pe.Language(type, id).has_value(), "a listed id has a language");
      if (type == sim::kRtString) {
        for (std::uint32_t entry = 0; entry < 16; ++entry) {
          const std::uint32_t stringId = ((id - 1) & 0xFFF) * 16 + entry;
          const auto text = pe.LoadString(stringId, kCodePages[entry % 5]);
          Check(!text || !text->empty(), "a loaded string is not empty");
        }
      }
      if (const auto bitmap = pe.LoadBitmap(id)) Check(type != sim::kRtBitmap || *bitmap == *raw, "bitmap as stored");
      if (const auto icon = pe.LoadIcon(id)) Check(type != sim::kRtIcon || *icon == *raw, "icon as stored");
      if (const auto group = pe.LoadIconGroup(id)) Check(group->size() >= 20, "a group holds an entry");
      if (const auto dialog = pe.LoadDialog(id)) {
        Check(type != sim::kRtDialog || dialog->controls.size() <= raw->size() / 18, "controls fit");
      }
    }
  }
  if (const auto info = pe.VersionInfo()) {
    Check(info->size() >= 6 && info->size() == (static_cast<std::size_t>((*info)[0]) | ((*info)[1] << 8)),
          "version block cut to its length");
    (void)pe.FixedVersion();
    (void)pe.VersionString("040904E4", "FileVersion");
    (void)pe.VersionString("040904b0", "CompanyName", 65001);
  } else {
    Check(!pe.FixedVersion().has_value(), "no fixed part without a version block");
    Check(pe.Translations().empty(), "no translations without a version block");
  }
}

void ExercisePieces(std::span<const std::uint8_t> bytes) {
  std::string error;
  for (unsigned index = 0; index < 16; index += 5) {
    error.clear();
    if (!sim::ParseStringTableEntry(bytes, index, 1252, error)) Check(!error.empty(), "string failure explained");
  }
  error.clear();
  if (!sim::ParseDialogTemplate(bytes, 1252, error)) Check(!error.empty(), "dialog failure explained");
  error.clear();
  if (!sim::CheckPackedDib(bytes, error)) Check(!error.empty(), "bitmap failure explained");
  error.clear();
  if (!sim::CheckIconImage(bytes, error)) Check(!error.empty(), "icon failure explained");
  error.clear();
  if (!sim::CheckIconGroup(bytes, error)) Check(!error.empty(), "icon group failure explained");
  error.clear();
  if (!sim::ParseVersionInfo(bytes, error)) Check(!error.empty(), "version failure explained");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto pe = sim::PeResources::Parse(std::vector<std::uint8_t>(data, data + size), error);
  if (pe) {
    ExerciseImage(*pe);
  } else {
    Check(!error.empty(), "parse failure explained");
  }
  ExercisePieces(std::span<const std::uint8_t>(data, size));
  return 0;
}
