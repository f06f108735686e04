// The dialogs that put a file question or a licence to the user, and the
// answers the installation run gets from them: shown in attended runs, the
// fixed answers when no message box may be shown.
#pragma once

#include <string>
#include <string_view>

#include "files/file_dialogs.h"
#include "platform/version_installer.h"
#include "wizard/modal_dialog.h"

class CSetupContext;

// The first file of a disk is not found: where the disk's files are.
class CSourceDiskDialog final : public CModalDialog {
 public:
  CSourceDiskDialog(const CResourceModule& resources, CFileRecord& record);
  bool OnCreateDialog() override;
  void OnOK() override;

 private:
  CFileRecord& m_record;
};

// A later file is not found: another folder, skip the file, or cancel.
class CSourceFileDialog final : public CModalDialog {
 public:
  CSourceFileDialog(const CResourceModule& resources, CFileRecord& record);
  bool OnCreateDialog() override;
  void OnCommand(int controlId) override;
  void OnOK() override;

 private:
  CFileRecord& m_record;
};

// The destination holds a file of another version: keep it (1) or replace it (2).
class CVersionConflictDialog final : public CModalDialog {
 public:
  CVersionConflictDialog(const CResourceModule& resources, platform::IVersionInstaller& versions,
                         const CFileRecord& record);
  bool OnCreateDialog() override;

 private:
  platform::IVersionInstaller& m_versions;
  const CFileRecord& m_record;
};

// A component's licence agreement: accept (1) or decline (2).
class CLicenseDialog final : public CModalDialog {
 public:
  CLicenseDialog(const CResourceModule& resources, std::string title, std::string text);
  bool OnCreateDialog() override;

 private:
  std::string m_strTitle;
  std::string m_strText;
};

// The installation's questions, asked with the dialogs above; with message
// boxes forbidden the file questions get their fixed answers unasked.
class CWizardFileDialogs final : public IFileDialogs {
 public:
  CWizardFileDialogs(const CSetupContext& context, const CResourceModule& resources)
      : m_context(context), m_resources(resources) {}

  int AskSourceDisk(CFileRecord& record) override;
  int AskSourceFile(CFileRecord& record) override;
  int AskVersionConflict(const CFileRecord& record) override;
  LicenseAnswer AskLicense(std::string_view title, std::string_view text) override;

 private:
  bool Quiet() const;

  const CSetupContext& m_context;
  const CResourceModule& m_resources;
  CQuietFileDialogs m_quiet;
};
