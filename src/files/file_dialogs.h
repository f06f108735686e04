// The questions file jobs put to the user: a missing source disk, a source
// file that cannot be read, an existing file of another version, and a
// component's licence. The wizard answers them with its dialogs; without
// message boxes the quiet answers apply.
#pragma once

#include <string_view>

#include "components/step_result.h"
#include "script/file_record.h"

// Results of the questions.
constexpr int kDialogRetry = 1;         // retry with the folder entered (stored in the record)
constexpr int kDialogCancel = 2;        // cancel the installation
constexpr int kDialogSkipFile = 1024;   // skip this file
constexpr int kDialogKeepExisting = 1;  // version conflict: keep the existing file
constexpr int kDialogReplace = 2;       // version conflict: replace it

class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // The first file of a disk was not found: kDialogRetry (the record's
  // source folder may have changed) or kDialogCancel.
  virtual int AskSourceDisk(CFileRecord& record) = 0;
  // A later file was not found: kDialogRetry, kDialogSkipFile or kDialogCancel.
  virtual int AskSourceFile(CFileRecord& record) = 0;
  // The destination holds a file of another version: kDialogKeepExisting or kDialogReplace.
  virtual int AskVersionConflict(const CFileRecord& record) = 0;
  // A component's licence agreement. Unattended runs never ask; answers
  // without a dialog accept.
  virtual LicenseAnswer AskLicense(std::string_view /*title*/, std::string_view /*text*/) {
    return LicenseAnswer::Accepted;
  }
};

// The answers given when no message box may be shown.
class CQuietFileDialogs final : public IFileDialogs {
 public:
  int AskSourceDisk(CFileRecord&) override { return kDialogCancel; }
  int AskSourceFile(CFileRecord&) override { return kDialogSkipFile; }
  int AskVersionConflict(const CFileRecord&) override { return kDialogReplace; }
};
