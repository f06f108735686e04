// One file job of a copy, delete or rename queue.
#pragma once

#include <cstdint>
#include <string>

struct CFileRecord {
  std::string m_strSourceDir;   // folder of the source file; the user may change it
  std::string m_strDestDir;     // the list's destination, expanded when the record was made
  std::string m_strSourceName;  // empty: the destination name is also the source name
  std::string m_strDestName;
  std::int32_t m_nDiskNumber = 0;
  std::string m_strDiskLabel;   // the disk's description, or empty
};
