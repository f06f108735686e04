#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>

#include "platform/win32/win32_shell_links.h"

namespace win32 {
namespace {

platform::HRESULT Portable(HRESULT result) { return static_cast<platform::HRESULT>(result); }

class Win32ShellLink final : public platform::IShellLinkObject {
 public:
  explicit Win32ShellLink(IShellLinkA* link) : m_link(link) {}
  ~Win32ShellLink() override { m_link->Release(); }
  Win32ShellLink(const Win32ShellLink&) = delete;
  Win32ShellLink& operator=(const Win32ShellLink&) = delete;

  platform::HRESULT SetDescription(const char* text) override { return Portable(m_link->SetDescription(text)); }
  platform::HRESULT SetPath(const char* path) override { return Portable(m_link->SetPath(path)); }
  platform::HRESULT SetArguments(const char* text) override { return Portable(m_link->SetArguments(text)); }
  platform::HRESULT SetWorkingDirectory(const char* folder) override {
    return Portable(m_link->SetWorkingDirectory(folder));
  }
  platform::HRESULT SetIconLocation(const char* path, int index) override {
    return Portable(m_link->SetIconLocation(path, index));
  }

  platform::HRESULT GetDescription(char* buffer, int size) override {
    return Portable(m_link->GetDescription(buffer, size));
  }
  platform::HRESULT GetPath(char* buffer, int size) override {
    return Portable(m_link->GetPath(buffer, size, nullptr, 0));
  }
  platform::HRESULT GetArguments(char* buffer, int size) override { return Portable(m_link->GetArguments(buffer, size)); }
  platform::HRESULT GetWorkingDirectory(char* buffer, int size) override {
    return Portable(m_link->GetWorkingDirectory(buffer, size));
  }
  platform::HRESULT GetIconLocation(char* buffer, int size, int* index) override {
    int icon = 0;
    const HRESULT result = m_link->GetIconLocation(buffer, size, &icon);
    if (index != nullptr) *index = icon;
    return Portable(result);
  }

  platform::HRESULT Save(const char* fileName, platform::BOOL remember) override {
    return WithPersistFile(fileName, [remember](IPersistFile* file, const wchar_t* name) {
      return file->Save(name, remember ? TRUE : FALSE);
    });
  }
  platform::HRESULT Load(const char* fileName) override {
    return WithPersistFile(fileName, [](IPersistFile* file, const wchar_t* name) { return file->Load(name, STGM_READ); });
  }

 private:
  template <typename Action>
  platform::HRESULT WithPersistFile(const char* fileName, Action action) {
    if (fileName == nullptr) return E_INVALIDARG;
    IPersistFile* file = nullptr;
    HRESULT result = m_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(result)) return Portable(result);
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, fileName, -1, wide, MAX_PATH) == 0) {
      result = HRESULT_FROM_WIN32(GetLastError());
    } else {
      result = action(file, wide);
    }
    file->Release();
    return Portable(result);
  }

  IShellLinkA* m_link;
};

}  // namespace

platform::HRESULT Win32ShellLinks::CoInitialize() { return Portable(::CoInitialize(nullptr)); }

void Win32ShellLinks::CoUninitialize() { ::CoUninitialize(); }

platform::HRESULT Win32ShellLinks::CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) {
  link.reset();
  IShellLinkA* native = nullptr;
  const HRESULT result =
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&native));
  if (FAILED(result)) return Portable(result);
  link = std::make_unique<Win32ShellLink>(native);
  return Portable(result);
}

}  // namespace win32
