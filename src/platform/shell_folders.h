// Where Windows names its shell folders (the Start menu and its programs
// and startup folders, the desktop, Program Files, Common Files …): folders
// that belong to the system and its user, never to an installation.
#pragma once

namespace shell_folders {

enum class Root { LocalMachine, CurrentUser };

struct Place {
  Root root;
  const char* key;
  const char* value;
};

inline constexpr const char* kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kCommonShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

inline constexpr Place kPlaces[] = {
    {Root::CurrentUser, kUserShellFolders, "Desktop"},
    {Root::CurrentUser, kUserShellFolders, "Start Menu"},
    {Root::CurrentUser, kUserShellFolders, "Programs"},
    {Root::CurrentUser, kUserShellFolders, "Startup"},
    {Root::CurrentUser, kUserShellFolders, "Personal"},
    {Root::CurrentUser, kUserShellFolders, "Favorites"},
    {Root::CurrentUser, kUserShellFolders, "Fonts"},
    {Root::CurrentUser, kUserShellFolders, "SendTo"},
    {Root::CurrentUser, kUserShellFolders, "Recent"},
    {Root::CurrentUser, kUserShellFolders, "Templates"},
    {Root::CurrentUser, kUserShellFolders, "AppData"},
    {Root::CurrentUser, kUserShellFolders, "NetHood"},
    {Root::CurrentUser, kUserShellFolders, "PrintHood"},
    {Root::LocalMachine, kCommonShellFolders, "Common Desktop"},
    {Root::LocalMachine, kCommonShellFolders, "Common Start Menu"},
    {Root::LocalMachine, kCommonShellFolders, "Common Programs"},
    {Root::LocalMachine, kCommonShellFolders, "Common Startup"},
    {Root::LocalMachine, kCommonShellFolders, "Common Documents"},
    {Root::LocalMachine, kCommonShellFolders, "Common AppData"},
    {Root::LocalMachine, kCurrentVersion, "ProgramFilesDir"},
    {Root::LocalMachine, kCurrentVersion, "CommonFilesDir"},
};

}  // namespace shell_folders
