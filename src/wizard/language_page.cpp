#include "wizard/language_page.h"

#include <cstdint>
#include <string>

#include "install/setup_session.h"
#include "platform/bitmap_reader.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

namespace {

// A distribution that names no language leaves the whole table open.
bool Offered(const CSetupContext& context, int index) {
  return context.GetLanguageMask() == 0 || context.IsLanguageOffered(index);
}

}  // namespace

std::string_view PictureFileName(std::string_view setting) {
  return setting.substr(0, setting.find_first_of(",="));
}

std::optional<platform::PagePicture> ReadPagePicture(const std::vector<char>& file) {
  if (file.size() < platform::kBitmapFileHeaderSize || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  platform::PagePicture picture;
  picture.dib.assign(reinterpret_cast<const std::uint8_t*>(file.data()) + platform::kBitmapFileHeaderSize,
                     reinterpret_cast<const std::uint8_t*>(file.data()) + file.size());
  std::string error;
  const std::optional<platform::DibHeader> header = platform::ReadDibHeader(picture.dib, error);
  // A picture from the top down is no picture either: its height is negative.
  if (!header || header->height < 0) return std::nullopt;
  // The colour table and the bits must lie within the file, and run-length
  // bits must be whole: the painter reads them all.
  std::uint64_t usedBytes = 0;
  if (!platform::CheckDibBits(picture.dib, *header, error, &usedBytes)) return std::nullopt;
  // Paint programs may leave the size of run-length bits out; the painter needs it.
  if (header->RunLength() && header->sizeImage == 0) {
    for (int i = 0; i < 4; ++i) picture.dib[20 + i] = static_cast<std::uint8_t>(usedBytes >> (8 * i));
  }
  picture.width = header->width;
  picture.height = header->height;
  picture.bitsOffset = static_cast<std::size_t>(header->BitsOffset());
  for (std::uint32_t i = 0; i < header->colourCount; ++i) {
    const std::uint8_t* entry = picture.dib.data() + header->TableOffset() + std::uint64_t{i} * header->entrySize;
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
  if (!Context().GetPlatform().Files().ReadWholeFile(path, file)) return;
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
