// Resources of loaded modules (the language resource library).
#pragma once

#include "platform/win_types.h"

namespace platform {

// The resource type of dialog templates (RT_DIALOG).
constexpr UINT kResourceTypeDialog = 5;

class IResources {
 public:
  virtual ~IResources() = default;

  // LoadStringA: copies at most size - 1 characters and a NUL; returns the
  // characters copied, 0 when the string is missing.
  virtual int LoadStringA(HMODULE module, UINT id, char* buffer, int size) = 0;

  // FindResourceA(module, MAKEINTRESOURCE(id), MAKEINTRESOURCE(type)) != NULL:
  // whether the module holds the resource, such as the dialog template
  // (kResourceTypeDialog) a page is made from. FALSE with
  // ERROR_RESOURCE_TYPE_NOT_FOUND (no resource of the type),
  // ERROR_RESOURCE_NAME_NOT_FOUND (none of that number), or
  // ERROR_INVALID_HANDLE for a null module.
  virtual BOOL FindResourceA(HMODULE module, UINT id, UINT type) = 0;

  // GetModuleHandleA(NULL): the running program's own module.
  virtual HMODULE GetProgramModule() = 0;
};

}  // namespace platform
