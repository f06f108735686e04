#include "platform/sim/sim_registry.h"

#include "platform/ascii_text.h"

#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/shared/config_file.h"
#include "platform/sim/registry_text.h"

namespace fs = std::filesystem;
using platform::BYTE;
using platform::DWORD;
using platform::HKEY;
using platform::LONG;

namespace sim {
namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                      nullptr,             "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
constexpr std::size_t kMaxValueSize = 1 << 20;  // far above anything a setup writes
constexpr std::size_t kMaxKeyDepth = 512;

LONG Code(long code) { return static_cast<LONG>(code); }


using KeyPtr = std::shared_ptr<SimRegistry::Key>;

KeyPtr FindSubKey(const SimRegistry::Key& key, std::string_view name) {
  for (const KeyPtr& sub : key.subKeys) {
    if (ascii::EqualNoCase(sub->name, name)) return sub;
  }
  return nullptr;
}

SimRegistry::Value* FindValue(SimRegistry::Key& key, std::string_view name) {
  for (SimRegistry::Value& v : key.values) {
    if (ascii::EqualNoCase(v.name, name)) return &v;
  }
  return nullptr;
}

// A value of that name takes the new type and data; otherwise it is added.
void StoreValue(SimRegistry::Key& key, SimRegistry::Value value) {
  if (SimRegistry::Value* existing = FindValue(key, value.name)) {
    existing->type = value.type;
    existing->data = std::move(value.data);
  } else {
    key.values.push_back(std::move(value));
  }
}

void MarkDeleted(SimRegistry::Key& key) {
  key.deleted = true;
  for (const KeyPtr& sub : key.subKeys) MarkDeleted(*sub);
}

// Splits "A\B\C" into its names; empty names (doubled or trailing
// backslashes) are passed over.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Copies a name into a caller's buffer the Win32 way.
LONG CopyName(const std::string& name, char* buffer, DWORD* size) {
  if (size == nullptr) return Code(ERROR_INVALID_PARAMETER);
  if (buffer == nullptr || *size <= name.size()) {
    *size = static_cast<DWORD>(name.size());
    return Code(ERROR_MORE_DATA);
  }
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = static_cast<DWORD>(name.size());
  return Code(ERROR_SUCCESS);
}

LONG CopyData(const SimRegistry::Value& value, DWORD* type, BYTE* data, DWORD* dataSize) {
  if (type != nullptr) *type = value.type;
  if (dataSize == nullptr) return data == nullptr ? Code(ERROR_SUCCESS) : Code(ERROR_INVALID_PARAMETER);
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data == nullptr) {
    *dataSize = needed;
    return Code(ERROR_SUCCESS);
  }
  if (*dataSize < needed) {
    *dataSize = needed;
    return Code(ERROR_MORE_DATA);
  }
  if (needed != 0) std::memcpy(data, value.data.data(), needed);
  *dataSize = needed;
  return Code(ERROR_SUCCESS);
}

}  // namespace

SimRegistry::SimRegistry(bool nt) : m_nt(nt) {
  for (std::size_t i = 0; i < kRootCount; ++i) {
    if (kRootNames[i] != nullptr) {
      m_roots[i] = std::make_shared<Key>();
      m_roots[i]->name = kRootNames[i];
    }
  }
}

std::unique_ptr<SimRegistry> SimRegistry::Load(const fs::path& file, bool nt, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + file.string();
    return nullptr;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  const std::string fileName = file.filename().string();

  auto registry = std::make_unique<SimRegistry>(nt);
  std::size_t lineNo = 0, pos = 0;
  bool sawHeader = false;
  KeyPtr current;
  auto fail = [&](const std::string& what) {
    error = fileName + " line " + std::to_string(lineNo) + ": " + what;
    return nullptr;
  };
  while (pos < text.size()) {
    auto nextPhysical = [&] {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string_view part(text.data() + pos, end - pos);
      pos = end + 1;
      ++lineNo;
      while (!part.empty() && (part.back() == '\r' || part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
      while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
      return std::string(part);
    };
    // One logical line: hex lists continue over lines that end in a backslash.
    std::string line = nextPhysical();
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos && pos < text.size()) {
      line.pop_back();
      line += nextPhysical();
    }
    if (line.empty() || line[0] == ';') continue;
    if (line.find('\0') != std::string::npos) return fail("contains a NUL byte");
    if (!sawHeader) {
      if (line != "REGEDIT4") return fail("expected the header REGEDIT4");
      sawHeader = true;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') return fail("malformed key line");
      std::string_view path(line);
      path = path.substr(1, path.size() - 2);
      const bool remove = !path.empty() && path[0] == '-';
      if (remove) path.remove_prefix(1);
      std::size_t slash = path.find('\\');
      std::string_view rootName = path.substr(0, slash);
      std::size_t rootIndex = kRootCount;
      for (std::size_t i = 0; i < kRootCount; ++i) {
        if (kRootNames[i] != nullptr && ascii::EqualNoCase(rootName, kRootNames[i])) rootIndex = i;
      }
      if (rootIndex == kRootCount) return fail("unknown root key '" + std::string(rootName) + "'");
      std::string_view rest = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
      if (SplitPath(rest).size() > kMaxKeyDepth) return fail("key nested too deeply");
      LONG status = 0;
      if (remove) {
        current = nullptr;
        KeyPtr victim = registry->Walk(registry->m_roots[rootIndex], rest, false, nullptr, &status);
        if (victim && victim->parent != nullptr) {
          auto& siblings = victim->parent->subKeys;
          siblings.erase(std::remove(siblings.begin(), siblings.end(), victim), siblings.end());
        }
        continue;
      }
      current = registry->Walk(registry->m_roots[rootIndex], rest, true, nullptr, &status);
      if (!current) return fail("malformed key path");
      continue;
    }
    if (line[0] != '"' && line[0] != '@') return fail("expected a key in brackets or a value, found '" + line + "'");
    if (!current) return fail("a value outside any key");
    std::size_t at = 1;
    std::string name;
    if (line[0] == '"') {
      if (!ReadQuotedRegistryText(line, at, name)) return fail("unterminated value name");
    }
    if (at >= line.size() || line[at] != '=') return fail("expected '=' after the value name");
    std::string_view data = std::string_view(line).substr(at + 1);
    Value value;
    value.name = name;
    if (data == "-") {
      auto& values = current->values;
      values.erase(std::remove_if(values.begin(), values.end(), [&](const Value& v) { return ascii::EqualNoCase(v.name, name); }),
                   values.end());
      continue;
    }
    if (!data.empty() && data[0] == '"') {
      std::size_t p = 1;
      std::string textValue;
      if (!ReadQuotedRegistryText(data, p, textValue) || p != data.size()) return fail("malformed text value");
      value.type = REG_SZ;
      value.data.assign(textValue.begin(), textValue.end());
      value.data.push_back(0);
    } else if (data.rfind("dword:", 0) == 0) {
      std::string_view digits = data.substr(6);
      auto number = digits.size() <= 8 ? ParseUnsigned(digits, 16, 0xFFFFFFFFull) : std::nullopt;
      if (!number) return fail("malformed dword value");
      value.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>(*number >> (8 * i)));
    } else if (data.rfind("hex", 0) == 0) {
      std::size_t colon = data.find(':');
      if (colon == std::string_view::npos) return fail("malformed hex value");
      std::string_view kind = data.substr(3, colon - 3);
      if (kind.empty()) {
        value.type = REG_BINARY;
      } else {
        auto type = kind.size() > 2 && kind.front() == '(' && kind.back() == ')'
                        ? ParseUnsigned(kind.substr(1, kind.size() - 2), 16, 0xFFFFFFFFull)
                        : std::nullopt;
        if (!type) return fail("malformed value type '" + std::string(kind) + "'");
        value.type = static_cast<DWORD>(*type);
      }
      if (!ParseRegistryHexBytes(data.substr(colon + 1), value.data, kMaxValueSize)) return fail("malformed hex bytes");
    } else {
      return fail("unknown value form '" + std::string(data.substr(0, 20)) + "'");
    }
    StoreValue(*current, std::move(value));
  }
  if (!sawHeader) {
    error = fileName + ": empty, expected the header REGEDIT4";
    return nullptr;
  }
  registry->m_file = file;
  return registry;
}

bool SimRegistry::Save(std::string& error) const {
  if (m_file.empty()) return true;
  const std::string text = Export();
  const fs::path temp = m_file.string() + ".new";
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (out == nullptr) {
    error = "cannot write " + temp.string();
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  ok = std::fflush(out) == 0 && ok;
  ok = ::fsync(::fileno(out)) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  // The rename replaces the old file in one step: a reader sees the old
  // registry or the new one, never a torn one.
  if (!ok || std::rename(temp.c_str(), m_file.c_str()) != 0) {
    error = "cannot write " + m_file.string();
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::string SimRegistry::Export() const {
  std::string out = "REGEDIT4\r\n\r\n";
  for (const KeyPtr& root : m_roots) {
    if (root) ExportRegistryKey(*root, root->name, out);
  }
  return out;
}

std::optional<std::string> SimRegistry::Export(std::string_view keyPath) const {
  KeyPtr key = FindPath(keyPath);
  if (!key) return std::nullopt;
  std::string path;
  for (const Key* k = key.get(); k != nullptr; k = k->parent) path = k->name + (path.empty() ? "" : "\\" + path);
  std::string out = "REGEDIT4\r\n\r\n";
  ExportRegistryKey(*key, path, out);
  return out;
}

KeyPtr SimRegistry::FindPath(std::string_view keyPath) const {
  std::size_t slash = keyPath.find('\\');
  std::string_view rootName = keyPath.substr(0, slash);
  for (const KeyPtr& root : m_roots) {
    if (root && ascii::EqualNoCase(root->name, rootName)) {
      KeyPtr key = root;
      if (slash == std::string_view::npos) return key;
      for (std::string_view name : SplitPath(keyPath.substr(slash + 1))) {
        key = FindSubKey(*key, name);
        if (!key) return nullptr;
      }
      return key;
    }
  }
  return nullptr;
}

bool SimRegistry::SetValue(std::string_view keyPath, Value value) {
  std::size_t slash = keyPath.find('\\');
  for (const KeyPtr& root : m_roots) {
    if (root && ascii::EqualNoCase(root->name, keyPath.substr(0, slash))) {
      LONG status = 0;
      KeyPtr key = Walk(root, slash == std::string_view::npos ? "" : keyPath.substr(slash + 1), true, nullptr, &status);
      if (!key) return false;
      StoreValue(*key, std::move(value));
      Persist();
      std::string error;
      return Flush(error);
    }
  }
  return false;
}

bool SimRegistry::SetString(std::string_view keyPath, std::string_view name, std::string_view text) {
  Value value{std::string(name), REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
  value.data.push_back(0);
  return SetValue(keyPath, std::move(value));
}

bool SimRegistry::SetDword(std::string_view keyPath, std::string_view name, std::uint32_t number) {
  Value value{std::string(name), REG_DWORD, {}};
  for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>(number >> (8 * i)));
  return SetValue(keyPath, std::move(value));
}

KeyPtr SimRegistry::Resolve(HKEY key) const {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  const auto low = static_cast<std::uint32_t>(value);
  if (low >= 0x80000000u && low < 0x80000000u + kRootCount &&
      key == platform::PredefinedKey(low)) {
    return m_roots[low - 0x80000000u];
  }
  auto it = m_handles.find(value);
  return it == m_handles.end() ? nullptr : it->second;
}

KeyPtr SimRegistry::Walk(const KeyPtr& from, std::string_view path, bool create, bool* created, LONG* error) {
  if (created != nullptr) *created = false;
  if (!path.empty() && path[0] == '\\') {
    *error = Code(ERROR_BAD_PATHNAME);
    return nullptr;
  }
  std::vector<std::string_view> names = SplitPath(path);
  if (names.size() > kMaxKeyDepth) {
    *error = Code(ERROR_BAD_PATHNAME);
    return nullptr;
  }
  KeyPtr key = from;
  for (std::string_view name : names) {
    KeyPtr next = FindSubKey(*key, name);
    if (!next) {
      if (!create) {
        *error = Code(ERROR_FILE_NOT_FOUND);
        return nullptr;
      }
      next = std::make_shared<Key>();
      next->name = std::string(name);
      next->parent = key.get();
      auto& subs = key->subKeys;
      subs.insert(std::upper_bound(subs.begin(), subs.end(), next,
                                   [](const KeyPtr& a, const KeyPtr& b) { return ascii::LessNoCase(a->name, b->name); }),
                  next);
      if (created != nullptr) *created = true;
    }
    key = next;
  }
  return key;
}

HKEY SimRegistry::NewHandle(KeyPtr key) {
  const std::uintptr_t handle = m_nextHandle;
  m_nextHandle += 4;
  m_handles[handle] = std::move(key);
  return reinterpret_cast<HKEY>(handle);
}

LONG SimRegistry::Persist() {
  m_bDirty = true;
  return Code(ERROR_SUCCESS);
}

bool SimRegistry::Flush(std::string& error) {
  if (!m_bDirty) return true;
  if (!Save(error)) return false;
  m_bDirty = false;
  return true;
}

SimRegistry::~SimRegistry() {
  std::string error;
  Flush(error);  // nobody is left to tell; the next flush of a later run retries
}

LONG SimRegistry::RegFlushKey(HKEY key) {
  if (!Resolve(key)) return Code(ERROR_INVALID_HANDLE);
  std::string error;
  return Flush(error) ? Code(ERROR_SUCCESS) : Code(ERROR_CANTWRITE);
}

LONG SimRegistry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD, platform::REGSAM, HKEY* result) {
  if (result == nullptr) return Code(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  KeyPtr from = Resolve(key);
  if (!from) return Code(ERROR_INVALID_HANDLE);
  if (from->deleted) return Code(ERROR_KEY_DELETED);
  LONG error = Code(ERROR_SUCCESS);
  KeyPtr found = Walk(from, subKey != nullptr ? subKey : "", false, nullptr, &error);
  if (!found) return error;
  *result = NewHandle(found);
  return Code(ERROR_SUCCESS);
}

LONG SimRegistry::RegCreateKeyExA(HKEY key, const char* subKey, DWORD, platform::REGSAM, HKEY* result,
                                  DWORD* disposition) {
  if (result == nullptr) return Code(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  KeyPtr from = Resolve(key);
  if (!from) return Code(ERROR_INVALID_HANDLE);
  if (from->deleted) return Code(ERROR_KEY_DELETED);
  LONG error = Code(ERROR_SUCCESS);
  bool created = false;
  KeyPtr found = Walk(from, subKey != nullptr ? subKey : "", true, &created, &error);
  if (!found) return error;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(found);
  return created ? Persist() : Code(ERROR_SUCCESS);
}

LONG SimRegistry::RegCloseKey(HKEY key) {
  auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == m_handles.end()) {
    return Resolve(key) ? Code(ERROR_SUCCESS) : Code(ERROR_INVALID_HANDLE);  // roots close quietly
  }
  m_handles.erase(it);
  return Code(ERROR_SUCCESS);
}

LONG SimRegistry::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) {
  KeyPtr k = Resolve(key);
  if (!k) return Code(ERROR_INVALID_HANDLE);
  if (k->deleted) return Code(ERROR_KEY_DELETED);
  if (index >= k->subKeys.size()) return Code(ERROR_NO_MORE_ITEMS);
  return CopyName(k->subKeys[index]->name, name, nameSize);
}

LONG SimRegistry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                                DWORD* dataSize) {
  KeyPtr k = Resolve(key);
  if (!k) return Code(ERROR_INVALID_HANDLE);
  if (k->deleted) return Code(ERROR_KEY_DELETED);
  if (index >= k->values.size()) return Code(ERROR_NO_MORE_ITEMS);
  const Value& value = k->values[index];
  LONG status = CopyName(value.name, name, nameSize);
  if (status != ERROR_SUCCESS) return status;
  return CopyData(value, type, data, dataSize);
}

LONG SimRegistry::RegQueryValueExA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* dataSize) {
  KeyPtr k = Resolve(key);
  if (!k) return Code(ERROR_INVALID_HANDLE);
  if (k->deleted) return Code(ERROR_KEY_DELETED);
  const Value* value = FindValue(*k, name != nullptr ? name : "");
  if (value == nullptr) return Code(ERROR_FILE_NOT_FOUND);
  return CopyData(*value, type, data, dataSize);
}

LONG SimRegistry::RegSetValueExA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  KeyPtr k = Resolve(key);
  if (!k) return Code(ERROR_INVALID_HANDLE);
  if (k->deleted) return Code(ERROR_KEY_DELETED);
  if ((data == nullptr && size != 0) || size > kMaxValueSize) return Code(ERROR_INVALID_PARAMETER);
  StoreValue(*k, Value{name != nullptr ? name : "", type, std::vector<BYTE>(data, data + size)});
  return Persist();
}

LONG SimRegistry::RegDeleteValueA(HKEY key, const char* name) {
  KeyPtr k = Resolve(key);
  if (!k) return Code(ERROR_INVALID_HANDLE);
  if (k->deleted) return Code(ERROR_KEY_DELETED);
  const std::string wanted = name != nullptr ? name : "";
  auto it = std::find_if(k->values.begin(), k->values.end(), [&](const Value& v) { return ascii::EqualNoCase(v.name, wanted); });
  if (it == k->values.end()) return Code(ERROR_FILE_NOT_FOUND);
  k->values.erase(it);
  return Persist();
}

LONG SimRegistry::RegDeleteKeyA(HKEY key, const char* subKey) {
  KeyPtr from = Resolve(key);
  if (!from) return Code(ERROR_INVALID_HANDLE);
  if (from->deleted) return Code(ERROR_KEY_DELETED);
  if (subKey == nullptr || SplitPath(subKey).empty()) return Code(ERROR_INVALID_PARAMETER);
  LONG error = Code(ERROR_SUCCESS);
  KeyPtr victim = Walk(from, subKey, false, nullptr, &error);
  if (!victim) return error;
  if (victim->parent == nullptr) return Code(ERROR_ACCESS_DENIED);
  if (m_nt && !victim->subKeys.empty()) return Code(ERROR_ACCESS_DENIED);
  auto& siblings = victim->parent->subKeys;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), victim), siblings.end());
  MarkDeleted(*victim);
  return Persist();
}

}  // namespace sim
