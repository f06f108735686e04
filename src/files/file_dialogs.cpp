#include "files/file_dialogs.h"

namespace {

CQuietFileDialogs g_quietDialogs;
IFileDialogs* g_dialogs = nullptr;

}  // namespace

IFileDialogs& FileDialogs() { return g_dialogs != nullptr ? *g_dialogs : g_quietDialogs; }

IFileDialogs* SetFileDialogs(IFileDialogs* dialogs) {
  IFileDialogs* previous = g_dialogs;
  g_dialogs = dialogs;
  return previous;
}
