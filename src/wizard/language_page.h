// The language page: the language of the software to install, chosen among
// those the distribution offers, beside the distribution's picture.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "wizard/wizard_page.h"

class CLanguagePage final : public CWizardPage {
 public:
  CLanguagePage();

  void OnSetActive() override;
  std::intptr_t OnWizardNext() override;
  void OnCommand(int controlId) override;
  const platform::PagePicture* GetPicture() const override { return m_picture ? &*m_picture : nullptr; }

  int GetChosenLanguage() const { return m_nLanguage; }

 protected:
  bool OnCreatePage() override;

 private:
  void LoadPicture();

  int m_nLanguage = 0;
  std::optional<platform::PagePicture> m_picture;
};

// A bitmap file as the page shows it, uncompressed or run-length encoded;
// nullopt when it is not a usable bitmap (no "BM" header, cut short, negative
// size, table or bits beyond the file, run-length bits that are not whole).
std::optional<platform::PagePicture> ReadPagePicture(const std::vector<char>& file);

// The file name of a "DlgLangBMP" setting: the part before any comma or equals sign.
std::string_view PictureFileName(std::string_view setting);

// Where the page draws a picture of w x h in a client area of right x bottom.
struct PicturePlace {
  int x = 0, y = 0;
};
PicturePlace PlacePicture(int clientRight, int clientBottom, int width, int height);
