// Shell links (.lnk files) through the component object library: the shell
// link object with its IShellLinkA calls and the IPersistFile calls that
// save and load it.
#pragma once

#include <memory>

#include "platform/win_types.h"

namespace platform {

// One shell link object; destroying it releases it.
class IShellLinkObject {
 public:
  virtual ~IShellLinkObject() = default;

  virtual HRESULT SetDescription(const char* description) = 0;
  virtual HRESULT SetPath(const char* path) = 0;
  virtual HRESULT SetArguments(const char* arguments) = 0;
  virtual HRESULT SetWorkingDirectory(const char* folder) = 0;
  virtual HRESULT SetIconLocation(const char* iconPath, int iconIndex) = 0;

  // The getters copy at most `size` - 1 characters and a NUL.
  virtual HRESULT GetDescription(char* buffer, int size) = 0;
  virtual HRESULT GetPath(char* buffer, int size) = 0;
  virtual HRESULT GetArguments(char* buffer, int size) = 0;
  virtual HRESULT GetWorkingDirectory(char* buffer, int size) = 0;
  virtual HRESULT GetIconLocation(char* buffer, int size, int* iconIndex) = 0;

  // QueryInterface for IPersistFile, then Save or Load with the file name
  // converted to wide characters (MultiByteToWideChar, ANSI code page, at
  // most MAX_PATH characters); IPersistFile is released again.
  virtual HRESULT Save(const char* fileName, BOOL remember) = 0;
  virtual HRESULT Load(const char* fileName) = 0;
};

class IShellLinks {
 public:
  virtual ~IShellLinks() = default;

  // CoInitialize(NULL): S_OK, or S_FALSE when this thread already had it.
  virtual HRESULT CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  // CoCreateInstance of the shell link class (in process, IShellLinkA);
  // CO_E_NOTINITIALIZED before CoInitialize.
  virtual HRESULT CreateShellLink(std::unique_ptr<IShellLinkObject>& link) = 0;
};

}  // namespace platform
