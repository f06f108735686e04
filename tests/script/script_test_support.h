// Shared helpers of the script tests: an in-memory file system installed for
// one test, script construction from literals, and a plain reference search.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "script/script_text.h"
#include "core/name_compare.h"

namespace script_test {

class FakeFileSystem : public platform::IFileSystem {
 public:
  std::map<std::string, std::string> files;
  bool refuseWrites = false;  // every write fails when set

  platform::BOOL ReadWholeFile(std::string_view path, std::vector<char>& content) override {
    const auto it = files.find(std::string(path));
    if (it == files.end()) return 0;
    content.assign(it->second.begin(), it->second.end());
    return 1;
  }
  platform::BOOL WriteWholeFile(std::string_view path, const char* data, std::size_t size) override {
    if (refuseWrites) return 0;
    files[std::string(path)] = std::string(data, size);
    return 1;
  }
  platform::BOOL FileExists(std::string_view path) override { return files.count(std::string(path)) != 0; }
  platform::BOOL FindFirstFileName(std::string_view, std::string&) override { return 0; }
  platform::BOOL GetDiskFreeSpaceA(std::string_view, platform::DWORD*, platform::DWORD*, platform::DWORD*,
                                   platform::DWORD*) override {
    return 0;
  }
  // Folder and attribute calls are not used by the script reader.
  platform::BOOL CreateDirectoryA(std::string_view) override { return 0; }
  platform::BOOL RemoveDirectoryA(std::string_view) override { return 0; }
  platform::BOOL DeleteFileA(std::string_view path) override { return files.erase(std::string(path)) != 0; }
  platform::DWORD GetFileAttributesA(std::string_view path) override {
    return FileExists(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
  }
  platform::BOOL SetFileAttributesA(std::string_view, platform::DWORD) override { return 0; }
  platform::DWORD GetCurrentDirectoryA(platform::DWORD, char*) override { return 0; }
  platform::BOOL SetCurrentDirectoryA(std::string_view) override { return 0; }
  platform::BOOL MoveFileExA(std::string_view, std::string_view, platform::DWORD) override { return 0; }
  platform::DWORD GetShortPathNameA(std::string_view, char*, platform::DWORD) override { return 0; }
};

// A fake file system for one test, and a platform that has only it.
class ScriptFileTest : public ::testing::Test {
 protected:
  ScriptFileTest() { platform_.files = &fs; }
  FakeFileSystem fs;
  platform::Platform platform_;
};

inline CScriptText MakeScript(std::string_view text, std::uint32_t capacity = 0) {
  CScriptText script;
  EXPECT_TRUE(script.LoadFromMemory(text.data(), text.size(), capacity));
  return script;
}

// The lines NextLine gives for a section, in order.
inline std::vector<std::string> SectionLines(CScriptText& script, std::string_view name) {
  std::vector<std::string> lines;
  if (script.FindSection(name) == 0) return lines;
  for (std::string line = script.NextLine(); !line.empty(); line = script.NextLine()) lines.push_back(line);
  return lines;
}

inline bool EndsWithTail(std::string_view text) {
  return text.size() >= 4 && text.substr(text.size() - 4) == "\r\n\r\n";
}

struct ReferenceHit {
  bool found = false;
  std::size_t start = 0;
  std::size_t length = 0;
};

// A deliberately plain scan of the whole text, line start by line start, as
// the format defines header matching and section extent.
inline ReferenceHit ReferenceFind(std::string_view text, std::string_view name, unsigned codePage = kDefaultCodePage) {
  ReferenceHit hit;
  if (name.empty()) return hit;
  const std::string pattern = std::string(name) + "]";
  for (std::size_t pos = 0; pos + 3 < text.size(); ++pos) {
    if ((pos == 0 || text[pos - 1] == '\n') && text[pos] == '[' && pos + 1 + pattern.size() <= text.size() &&
        EqualNoCase(pattern, text.substr(pos + 1, pattern.size()), codePage)) {
      hit.found = true;
      hit.start = pos;
      std::size_t end = text.size() - 2;
      for (std::size_t p = pos + 1 + pattern.size(); p + 3 < text.size(); ++p) {
        if (text[p - 1] == '\n' && text[p] == '[') {
          end = p;
          break;
        }
      }
      hit.length = end - pos;
      return hit;
    }
  }
  return hit;
}

}  // namespace script_test
