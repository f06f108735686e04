#include "wizard/file_dialog_boxes.h"

#include <vector>

#include "core/setup_context.h"
#include "platform/platform.h"
#include "resource_ids.h"

namespace {

// A text value of the U.S. English, Windows Latin-1 block of a version resource.
bool QueryVersionText(platform::IVersionInstaller& versions, const std::vector<char>& block, const char* name,
                      std::string& text) {
  void* value = nullptr;
  platform::UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904e4\\") + name;
  if (!versions.VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr ||
      length == 0) {
    return false;
  }
  const char* chars = static_cast<const char*>(value);
  // The block's own bounds hold the text; a missing terminator ends it there.
  const char* end = block.data() + block.size();
  if (chars < block.data() || chars >= end) return false;
  std::size_t size = 0;
  while (size < length && chars + size < end && chars[size] != '\0') ++size;
  text.assign(chars, size);
  return true;
}

}  // namespace

// ---- Source disk -------------------------------------------------------------

CSourceDiskDialog::CSourceDiskDialog(const CResourceModule& resources, CFileRecord& record)
    : CModalDialog(resources, IDD_SOURCE_DISK), m_record(record) {}

bool CSourceDiskDialog::OnCreateDialog() {
  Window().SetItemText(IDC_SOURCE_DIR, m_record.m_strSourceDir);
  SetItemString(platform::kDialogOk, IDS_OK);
  SetItemString(platform::kDialogClose, IDS_CANCEL);
  SetItemString(IDC_COPY_FROM_LABEL, IDS_COPY_FROM_LABEL);
  SetItemString(IDC_INSERT_DISK_TEXT, IDS_INSERT_DISK, std::to_string(m_record.m_nDiskNumber));
  Window().SetItemText(IDC_DISK_LABEL, m_record.m_strDiskLabel);
  return true;
}

void CSourceDiskDialog::OnOK() {
  m_record.m_strSourceDir = Window().GetItemText(IDC_SOURCE_DIR);
  EndDialog(platform::kDialogOk);
}

// ---- Source file -------------------------------------------------------------

CSourceFileDialog::CSourceFileDialog(const CResourceModule& resources, CFileRecord& record)
    : CModalDialog(resources, IDD_SOURCE_FILE), m_record(record) {}

bool CSourceFileDialog::OnCreateDialog() {
  Window().SetItemText(IDC_SOURCE_DIR, m_record.m_strSourceDir);
  SetItemString(platform::kDialogOk, IDS_OK);
  SetItemString(platform::kDialogClose, IDS_CANCEL);
  SetItemString(IDC_SKIP_FILE, IDS_SKIP_FILE);
  SetItemString(IDC_COPY_FROM_LABEL, IDS_COPY_FROM_LABEL);
  SetItemString(IDC_MISSING_FILE_NAME, IDS_QUOTED_NAME, m_record.m_strSourceName);
  SetItemString(IDC_MISSING_FILE_DISK, IDS_QUOTED_NAME, m_record.m_strDiskLabel);
  return true;
}

void CSourceFileDialog::OnCommand(int controlId) {
  if (controlId == IDC_SKIP_FILE) {
    EndDialog(kDialogSkipFile);
    return;
  }
  CModalDialog::OnCommand(controlId);
}

void CSourceFileDialog::OnOK() {
  m_record.m_strSourceDir = Window().GetItemText(IDC_SOURCE_DIR);
  EndDialog(platform::kDialogOk);
}

// ---- Version conflict --------------------------------------------------------

CVersionConflictDialog::CVersionConflictDialog(const CResourceModule& resources, platform::IVersionInstaller& versions,
                                               const CFileRecord& record)
    : CModalDialog(resources, IDD_VERSION_CONFLICT), m_versions(versions), m_record(record) {}

bool CVersionConflictDialog::OnCreateDialog() {
  SetItemString(platform::kDialogOk, IDS_YES);
  SetItemString(platform::kDialogClose, IDS_NO);
  const int labels[][2] = {{IDC_CONFLICT_INTRO, IDS_CONFLICT_INTRO},
                           {IDC_CONFLICT_FILE_LABEL, IDS_CONFLICT_FILE_LABEL},
                           {IDC_CONFLICT_DESCRIPTION_LABEL, IDS_CONFLICT_DESCRIPTION_LABEL},
                           {IDC_CONFLICT_VERSION_LABEL, IDS_CONFLICT_VERSION_LABEL},
                           {IDC_CONFLICT_ADVICE, IDS_CONFLICT_ADVICE},
                           {IDC_CONFLICT_QUESTION, IDS_CONFLICT_QUESTION}};
  for (const auto& label : labels) SetItemString(label[0], label[1]);
  Window().SetItemText(IDC_CONFLICT_FILE_NAME, m_record.m_strDestName);

  // The existing file's own description and version, when it has them.
  const std::string path = m_record.m_strDestDir + "\\" + m_record.m_strDestName;
  platform::DWORD handle = 0;
  const platform::DWORD size = m_versions.GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return true;
  std::vector<char> block(size);
  if (!m_versions.GetFileVersionInfoA(path.c_str(), handle, size, block.data())) return true;
  std::string text;
  if (QueryVersionText(m_versions, block, "FileDescription", text)) Window().SetItemText(IDC_CONFLICT_DESCRIPTION, text);
  if (QueryVersionText(m_versions, block, "FileVersion", text)) Window().SetItemText(IDC_CONFLICT_VERSION, text);
  return true;
}

// ---- Licence -----------------------------------------------------------------

CLicenseDialog::CLicenseDialog(const CResourceModule& resources, std::string title, std::string text)
    : CModalDialog(resources, IDD_LICENSE), m_strTitle(std::move(title)), m_strText(std::move(text)) {}

bool CLicenseDialog::OnCreateDialog() {
  Window().SetTitle(m_strTitle);
  Window().SetItemText(IDC_LICENSE_TEXT, m_strText);
  SetItemString(platform::kDialogOk, IDS_LICENSE_ACCEPT);
  SetItemString(platform::kDialogClose, IDS_LICENSE_DECLINE);
  return true;
}

// ---- The questions of the run ------------------------------------------------

bool CWizardFileDialogs::Quiet() const { return (m_context.GetFlags() & SF_QUIET) != 0; }

int CWizardFileDialogs::AskSourceDisk(CFileRecord& record) {
  if (Quiet()) return m_quiet.AskSourceDisk(record);
  CSourceDiskDialog dialog(m_resources, record);
  return dialog.DoModal(m_context.GetPlatform().WizardHost()) == platform::kDialogOk ? kDialogRetry : kDialogCancel;
}

int CWizardFileDialogs::AskSourceFile(CFileRecord& record) {
  if (Quiet()) return m_quiet.AskSourceFile(record);
  CSourceFileDialog dialog(m_resources, record);
  const int result = dialog.DoModal(m_context.GetPlatform().WizardHost());
  return result == platform::kDialogOk ? kDialogRetry : result == kDialogSkipFile ? kDialogSkipFile : kDialogCancel;
}

int CWizardFileDialogs::AskVersionConflict(const CFileRecord& record) {
  if (Quiet()) return m_quiet.AskVersionConflict(record);
  CVersionConflictDialog dialog(m_resources, m_context.GetPlatform().Versions(), record);
  return dialog.DoModal(m_context.GetPlatform().WizardHost()) == platform::kDialogOk ? kDialogKeepExisting : kDialogReplace;
}

LicenseAnswer CWizardFileDialogs::AskLicense(std::string_view title, std::string_view text) {
  CLicenseDialog dialog(m_resources, std::string(title), std::string(text));
  return dialog.DoModal(m_context.GetPlatform().WizardHost()) == platform::kDialogOk ? LicenseAnswer::Accepted
                                                                             : LicenseAnswer::Declined;
}
