#include "wizard/language_page.h"

#include <cstdint>
#include <cstring>

#include "install/setup_session.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::int64_t kMaxPictureSide = 32767;

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// A distribution that names no language leaves the whole table open.
bool Offered(const CSetupContext& context, int index) {
  return context.GetLanguageMask() == 0 || context.IsLanguageOffered(index);
}

}  // namespace

std::string_view PictureFileName(std::string_view setting) {
  return setting.substr(0, setting.find_first_of(",="));
}

std::optional<platform::PagePicture> ReadPagePicture(const std::vector<char>& file) {
  if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  platform::PagePicture picture;
  picture.dib.assign(reinterpret_cast<const std::uint8_t*>(file.data()) + kFileHeaderSize,
                     reinterpret_cast<const std::uint8_t*>(file.data()) + file.size());
  const std::vector<std::uint8_t>& dib = picture.dib;
  if (dib.size() < 4) return std::nullopt;
  const std::uint32_t headerSize = Read32(dib.data());
  const bool info = headerSize == kInfoHeaderSize;
  std::int64_t width = 0, height = 0;
  unsigned bitCount = 0, usedColours = 0;
  std::size_t tableOffset = 0, entrySize = 0;
  if (info) {
    if (dib.size() < kInfoHeaderSize) return std::nullopt;
    width = static_cast<std::int32_t>(Read32(dib.data() + 4));
    height = static_cast<std::int32_t>(Read32(dib.data() + 8));
    bitCount = Read16(dib.data() + 14);
    usedColours = Read32(dib.data() + 32);
    tableOffset = kInfoHeaderSize;
    entrySize = 4;
  } else {
    if (dib.size() < kCoreHeaderSize) return std::nullopt;
    width = static_cast<std::int16_t>(Read16(dib.data() + 4));
    height = static_cast<std::int16_t>(Read16(dib.data() + 6));
    bitCount = Read16(dib.data() + 10);
    tableOffset = kCoreHeaderSize;
    entrySize = 3;
  }
  // An empty or absurdly large picture is no picture: whoever places and
  // draws it computes in int.
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return std::nullopt;
  std::uint64_t colours = usedColours;
  if (colours == 0) colours = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
  // The colour table and the bits must lie within the file: the painter
  // reads them all.
  const std::uint64_t tableEnd = tableOffset + colours * entrySize;
  if (tableEnd > dib.size()) return std::nullopt;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * (bitCount == 0 ? 1 : bitCount) + 31) / 32) * 4;
  if (stride * static_cast<std::uint64_t>(height) > dib.size() - tableEnd) return std::nullopt;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.bitsOffset = static_cast<std::size_t>(tableEnd);
  for (std::uint64_t i = 0; i < colours; ++i) {
    const std::uint8_t* entry = dib.data() + tableOffset + i * entrySize;
    picture.palette.push_back(entry[2]);  // red
    picture.palette.push_back(entry[1]);  // green
    picture.palette.push_back(entry[0]);  // blue
  }
  return picture;
}

PicturePlace PlacePicture(int clientRight, int clientBottom, int width, int height) {
  return {clientRight - width - 2, (clientBottom - height) / 2 - 2};
}

CLanguagePage::CLanguagePage() : CWizardPage(IDD_LANGUAGE_PAGE) {}

bool CLanguagePage::OnCreatePage() {
  CSetupContext& context = Context();
  m_nLanguage = context.GetLanguage();
  if (m_nLanguage < 0 || m_nLanguage >= kLanguageCount) m_nLanguage = kDefaultLanguage;
  // Only the languages the distribution offers can be chosen.
  if (!Offered(context, m_nLanguage)) {
    for (int i = 0; i < kLanguageCount; ++i) {
      if (Offered(context, i)) {
        m_nLanguage = i;
        break;
      }
    }
  }
  for (int i = 0; i < kLanguageCount; ++i) Window().EnableItem(IDC_LANGUAGE_FIRST + i, Offered(context, i));
  Window().CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_FIRST + m_nLanguage);
  SetItemString(IDC_LANGUAGE_PROMPT, IDS_LANGUAGE_PROMPT);
  LoadPicture();
  ArmTimerWhenUnattended();
  return true;
}

void CLanguagePage::LoadPicture() {
  m_picture.reset();
  const std::string setting = Context().GetLangBitmap();
  const std::string_view name = PictureFileName(setting);
  if (name.empty()) return;
  std::string path = Context().GetInstallFrom();
  path += '\\';
  path += name;
  std::vector<char> file;
  if (platform::Files().ReadWholeFile(path, file) != ERROR_SUCCESS) return;
  m_picture = ReadPagePicture(file);
}

void CLanguagePage::OnSetActive() { m_pSheet->SetWizardButtons(platform::PSWIZB_NEXT); }

void CLanguagePage::OnCommand(int controlId) {
  if (controlId < IDC_LANGUAGE_FIRST || controlId > IDC_LANGUAGE_LAST) return;
  for (int id = IDC_LANGUAGE_FIRST; id <= IDC_LANGUAGE_LAST; ++id) {
    if (Window().IsButtonChecked(id) && Offered(Context(), id - IDC_LANGUAGE_FIRST)) {
      m_nLanguage = id - IDC_LANGUAGE_FIRST;
    }
  }
  // The choice takes effect at once, even if the user then cancels.
  Context().SetLanguage(m_nLanguage);
  Window().CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_FIRST + m_nLanguage);
  m_pSheet->SetButtonTexts();
}

std::intptr_t CLanguagePage::OnWizardNext() {
  Context().SetLanguage(m_nLanguage);
  return platform::kMoveOn;
}
