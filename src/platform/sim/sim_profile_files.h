// The profile functions on the simulated machine: INI files on its drives,
// read and written the way Windows reads and writes them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/profile_files.h"
#include "platform/sim/process_state.h"

namespace sim {

class SimProfileFiles final : public platform::IProfileFiles {
 public:
  // Larger files read as absent and are never rewritten: no INI file of a
  // real machine comes near this, and a hostile one must not exhaust memory.
  static constexpr std::uintmax_t kMaxFileSize = 16u << 20;

  // Relative paths start at the process's current folder; failures leave
  // their code in the process's last error.
  explicit SimProfileFiles(ProcessState& process);

  platform::DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                           char* buffer, platform::DWORD size, const char* fileName) override;
  platform::UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                       const char* fileName) override;
  platform::DWORD GetPrivateProfileSectionA(const char* section, char* buffer, platform::DWORD size,
                                            const char* fileName) override;
  platform::BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* fileName) override;
  platform::BOOL WritePrivateProfileSectionA(const char* section, const char* lines, const char* fileName) override;

 private:
  // A file as single-byte text. One that exists but cannot be read (a
  // folder, a link, too large) reads as empty and is never rewritten.
  struct Loaded {
    enum State { kUnreadable, kMissing, kPresent } state = kUnreadable;
    std::string text;
    bool utf16 = false;  // stored as UTF-16LE with a byte-order mark
  };
  ResolvedPath Locate(const char* fileName) const;
  Loaded Load(const ResolvedPath& where) const;
  bool Store(const ResolvedPath& where, const std::string& text, bool utf16) const;
  // A write that could not be done: leaves the code Windows gives (the
  // folder missing, or the file refused) and answers FALSE.
  platform::BOOL WriteFailed(const ResolvedPath& where) const;
  // A write to a file on the CD: refused with ERROR_ACCESS_DENIED.
  bool RefusedOnCd(const ResolvedPath& where) const;

  const Machine& m_machine;
  ProcessState& m_process;
};

}  // namespace sim
