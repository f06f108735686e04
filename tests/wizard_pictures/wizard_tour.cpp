// Goes through SETUP.EXE's wizard on the sample distribution the way a
// person would, by clicking its controls, and saves a picture of every page
// and dialog it meets: a BMP of the whole window, named after the page or
// dialog and the language (custom-DEU.bmp). Runs under Wine with a display;
// scripts/wizard-screenshots.sh prepares the machine and calls it once per
// tour:
//   wizard_tour.exe custom|typical|maintenance SETUP.EXE LANGUAGE FOLDER [AWAY BACK]
// custom       the custom type without the display driver: the custom page, a
//              sub-component dialog and its dependency question, the readme,
//              the licence, the progress page, the version conflict, a file
//              missing from the CD (skipped) and a missing disk (folder AWAY
//              is renamed BACK, then OK), the finish page without a restart
// typical      the typical type with the driver: the finish page's restart offer
// maintenance  the maintenance wizard's choose page
// LANGUAGE ENU or DEU: DEU chooses Deutsch on the language page. What the
// tour did not expect (a message box, a page or dialog out of turn, a wait
// that does not end) is pictured as unexpected-... and ends it with status 1.
#include <windows.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource_ids.h"

namespace {

constexpr DWORD kLongestWait = 60000;  // milliseconds for the wizard to show what comes next
constexpr int kMessageBoxText = 0xFFFF;  // the text control of a message box (and of our dialogs' fixed texts)

std::string g_folder, g_language;
PROCESS_INFORMATION g_setup{};
int g_unexpected = 0;

bool Has(HWND window, int id) { return window != nullptr && GetDlgItem(window, id) != nullptr; }

// The dialogs of the library, each by a control only it has.
constexpr int kDialogMarks[] = {IDC_SUBCOMPONENTS_LABEL, IDC_DEPENDENCY_LIST, IDC_LICENSE_TEXT,       IDC_CONFLICT_INTRO,
                                IDC_MISSING_FILE_DISK,   IDC_DISK_LABEL,      IDC_DISPLAY_DEVICE_LIST};

// A window over the wizard that is none of its dialogs: a message box.
bool IsMessageBox(HWND window) {
  if (window == nullptr) return false;
  for (int mark : kDialogMarks) {
    if (Has(window, mark)) return false;
  }
  return true;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      &length);
  return text;
}

BOOL CALLBACK AddSetupWindow(HWND window, LPARAM list) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == g_setup.dwProcessId && IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

// The setup program's visible top-level windows, the top one first.
std::vector<HWND> SetupWindows() {
  std::vector<HWND> windows;
  EnumWindows(AddSetupWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND CurrentPage(HWND sheet) {
  DWORD_PTR page = 0;
  if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page)) return nullptr;
  return reinterpret_cast<HWND>(page);
}

// The wizard sheet: the window that has a current page.
HWND Sheet() {
  for (HWND window : SetupWindows()) {
    if (CurrentPage(window) != nullptr) return window;
  }
  return nullptr;
}

// A window over the sheet: the innermost dialog, or a message box; nullptr
// while the sheet is not known (busy, or not made yet).
HWND Dialog(HWND sheet) {
  if (sheet == nullptr) return nullptr;
  const std::vector<HWND> windows = SetupWindows();
  for (HWND window : windows) {
    if (window == sheet) continue;
    bool owner = false;
    for (HWND other : windows) owner = owner || GetWindow(other, GW_OWNER) == window;
    if (!owner) return window;
  }
  return nullptr;
}

std::string PicturePath(const std::string& name) { return g_folder + "\\" + name + "-" + g_language + ".bmp"; }

std::string FileBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD done = 0;
  while (ReadFile(file, buffer, sizeof buffer, &done, nullptr) && done > 0) bytes.append(buffer, done);
  CloseHandle(file);
  return bytes;
}

bool SamePicture(const std::string& a, const std::string& b) {
  const std::string first = FileBytes(PicturePath(a));
  return !first.empty() && first == FileBytes(PicturePath(b));
}

// The whole window as the screen shows it, once two looks a moment apart
// agree (`quick`: at once, for a page that is soon gone).
bool Save(HWND window, const std::string& name, bool quick = false) {
  RECT frame{};
  if (GetWindowRect(window, &frame) == FALSE) return false;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (picture != nullptr && bits != nullptr) {
    HGDIOBJ previous = SelectObject(memory, picture);
    std::vector<unsigned char> before;
    for (int look = 0; look < 25; ++look) {
      if (!quick) Sleep(look == 0 ? 300 : 200);
      copied = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
      GdiFlush();
      if (quick) break;
      const auto* now = static_cast<const unsigned char*>(bits);
      std::vector<unsigned char> seen(now, now + info.bmiHeader.biSizeImage);
      if (copied && seen == before) break;
      before = std::move(seen);
    }
    SelectObject(memory, previous);
  }
  bool written = false;
  const std::string path = PicturePath(name);
  if (copied) {
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + info.bmiHeader.biSizeImage;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD done = 0;
      written = WriteFile(file, &header, sizeof header, &done, nullptr) && done == sizeof header &&
                WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
                done == sizeof info.bmiHeader &&
                WriteFile(file, bits, info.bmiHeader.biSizeImage, &done, nullptr) &&
                done == info.bmiHeader.biSizeImage;
      CloseHandle(file);
    }
  }
  if (picture != nullptr) DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("%s %s\n", written ? "pictured" : "could not picture", (name + "-" + g_language).c_str());
  std::fflush(stdout);
  return written;
}

// Ends the tour: what was shown instead is pictured, the setup program stopped.
[[noreturn]] void Fail(const std::string& why) {
  std::printf("wizard tour (%s): %s\n", g_language.c_str(), why.c_str());
  for (HWND window : SetupWindows()) {
    const std::string text = IsMessageBox(window) && Has(window, kMessageBoxText)
                                 ? TextOf(GetDlgItem(window, kMessageBoxText))
                                 : "";
    if (!text.empty()) std::printf("  a message box says: %s\n", text.c_str());
    Save(window, "unexpected-" + std::to_string(++g_unexpected));
  }
  TerminateProcess(g_setup.hProcess, 1);
  std::exit(1);
}

// Waits until `ready` finds what it looks for; a message box, or a wait
// longer than a minute, ends the tour.
template <typename Ready>
HWND WaitFor(const char* what, Ready&& ready) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kLongestWait) {
    const HWND sheet = Sheet();
    if (HWND found = ready(sheet)) return found;
    if (IsMessageBox(Dialog(sheet))) Fail(std::string("a message box while waiting for ") + what);
    if (WaitForSingleObject(g_setup.hProcess, 100) == WAIT_OBJECT_0) {
      Fail(std::string("SETUP.EXE ended while waiting for ") + what);
    }
  }
  Fail(std::string("no ") + what + " within a minute");
}

// The page with control `id`, current in the sheet with no dialog over it.
HWND WaitForPage(const char* name, int id, int alsoId = 0) {
  WaitFor(name, [&](HWND sheet) -> HWND {
    const HWND page = sheet != nullptr ? CurrentPage(sheet) : nullptr;
    return Has(page, id) && (alsoId == 0 || Has(page, alsoId)) && Dialog(sheet) == nullptr ? page : nullptr;
  });
  return Sheet();
}

HWND WaitForDialog(const char* name, int id, int notId = 0) {
  return WaitFor(name, [&](HWND sheet) -> HWND {
    const HWND dialog = Dialog(sheet);
    return Has(dialog, id) && (notId == 0 || !Has(dialog, notId)) ? dialog : nullptr;
  });
}

void WaitGone(HWND window) {
  const DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start > kLongestWait) Fail("a dialog did not close");
    Sleep(100);
  }
}

// A click on a button, as the mouse gives it, once the button takes one.
void Click(HWND window, int id) {
  HWND button = GetDlgItem(window, id);
  for (int tries = 0; button != nullptr && !IsWindowEnabled(button) && tries < 50; ++tries) Sleep(100);
  if (button == nullptr || !IsWindowEnabled(button)) Fail("control " + std::to_string(id) + " cannot be clicked");
  PostMessageA(button, BM_CLICK, 0, 0);
}

// A click on a row of a list at `x` pixels from its left edge (within the
// check-mark column: the row's mark changes).
void ClickRow(HWND window, int listId, int row, int x) {
  HWND list = GetDlgItem(window, listId);
  if (list == nullptr) Fail("no list " + std::to_string(listId));
  DWORD_PTR height = 0, top = 0;
  SendMessageTimeoutA(list, LB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, 2000, &height);
  SendMessageTimeoutA(list, LB_GETTOPINDEX, 0, 0, SMTO_ABORTIFHUNG, 2000, &top);
  const LPARAM at = MAKELPARAM(x, (row - static_cast<int>(top)) * static_cast<int>(height) + static_cast<int>(height) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  // The list and its dialog have taken the click once they answer again.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 2000, &ignored);
  Sleep(300);
}

// No dialog but `allowed` (or none) is open after what was just done.
void ExpectNoDialog(HWND sheet, HWND allowed, const char* after) {
  Sleep(300);
  if (HWND dialog = Dialog(sheet); dialog != nullptr && dialog != allowed) Fail(std::string("a dialog after ") + after);
}

void PressSheet(HWND sheet, int button) {
  PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

// The sheet shows and enables its buttons a moment after its page: allow
// it a few seconds.
bool ButtonOn(HWND sheet, int id) {
  for (int look = 0; look < 50; ++look) {
    HWND button = GetDlgItem(sheet, id);
    if (button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button)) return true;
    Sleep(100);
  }
  return false;
}

void Start(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + program + "\"";
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &g_setup)) {
    std::printf("wizard tour: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
    std::exit(1);
  }
}

// The language page: pictured, and Deutsch chosen for the German tour.
HWND ThroughLanguagePage(bool picture) {
  HWND sheet = WaitForPage("language page", IDC_LANGUAGE_PROMPT);
  if (picture) Save(sheet, "language");
  if (g_language == "DEU") {
    Click(CurrentPage(sheet), IDC_LANGUAGE_DEU);
    Sleep(300);
  }
  PressSheet(sheet, PSBTN_NEXT);
  return sheet;
}

// Answers the dialogs of the installation run until the finish page shows:
// each is pictured the first time; the progress page is pictured beside the
// first that comes while files are copied.
HWND ThroughInstallation(bool pictures, const std::string& away, const std::string& back,
                         std::vector<std::string>& met) {
  auto first = [&](const std::string& name) {
    for (const std::string& seen : met) {
      if (seen == name) return false;
    }
    met.push_back(name);
    return true;
  };
  for (;;) {
    HWND dialog = nullptr;
    HWND finish = WaitFor("finish page or dialog", [&](HWND sheet) -> HWND {
      const HWND page = sheet != nullptr ? CurrentPage(sheet) : nullptr;
      dialog = Dialog(sheet);
      if (dialog != nullptr && !IsMessageBox(dialog)) return dialog;
      return dialog == nullptr && Has(page, IDC_FINISH_OUTCOME) ? sheet : nullptr;
    });
    if (dialog == nullptr) return finish;
    HWND sheet = Sheet();
    std::string name;
    int answer = IDOK;
    if (Has(dialog, IDC_LICENSE_TEXT)) {
      name = "license";
    } else if (Has(dialog, IDC_CONFLICT_INTRO)) {
      name = "version-conflict";  // Yes: keep the newer file
    } else if (Has(dialog, IDC_MISSING_FILE_DISK)) {
      name = "source-file";
      answer = IDC_SKIP_FILE;
    } else if (Has(dialog, IDC_DISK_LABEL)) {
      name = "source-disk";
    } else {
      Fail("a dialog the installation run has no answer for: " + TextOf(dialog));
    }
    if (first(name) && pictures) {
      Save(dialog, name);
      if (name != "license" && first("progress")) {
        // The progress page, with the dialog put aside.
        RECT frame{};
        GetWindowRect(sheet, &frame);
        SetWindowPos(dialog, nullptr, frame.right + 8, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(300);
        Save(sheet, "progress");
      }
    }
    if (name == "source-disk" && !away.empty() && !MoveFileA(away.c_str(), back.c_str())) {
      Fail("cannot put " + away + " back as " + back);
    }
    Click(dialog, answer);
    WaitGone(dialog);
  }
}

void WaitForEnd() {
  if (WaitForSingleObject(g_setup.hProcess, kLongestWait) != WAIT_OBJECT_0) Fail("SETUP.EXE does not end");
  CloseHandle(g_setup.hProcess);
  CloseHandle(g_setup.hThread);
}

void CustomTour(const std::string& away, const std::string& back) {
  HWND sheet = ThroughLanguagePage(true);
  // The first page prepares the script on its own; pictured when it is caught.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2000) {
    HWND page = CurrentPage(sheet);
    if (Has(page, IDC_PREPARE_PROGRESS)) {
      Save(sheet, "prepare", true);
      break;
    }
    if (Has(page, IDC_TYPE_TYPICAL)) break;
    Sleep(20);
  }
  sheet = WaitForPage("setup type page", IDC_TYPE_TYPICAL);
  Save(sheet, "type");
  // A picture of the first page taken as it went shows the page after it.
  if (SamePicture("prepare", "type") || SamePicture("prepare", "language")) {
    DeleteFileA(PicturePath("prepare").c_str());
    std::printf("the first page went too quickly to be pictured\n");
  }
  Click(CurrentPage(sheet), IDC_TYPE_CUSTOM);

  sheet = WaitForPage("custom page", IDC_COMPONENT_LIST, IDC_COMPONENTS_LABEL);
  Save(sheet, "custom");
  HWND page = CurrentPage(sheet);
  ClickRow(page, IDC_COMPONENT_LIST, 2, 100);  // the display utilities chosen
  Click(page, IDC_CHANGE);                     // and their components shown

  HWND components = WaitForDialog("sub-component dialog", IDC_SUBCOMPONENTS_LABEL);
  Save(components, "subcomponents");
  ClickRow(components, IDC_COMPONENT_LIST, 2, 5);  // the panel help ticked
  ExpectNoDialog(sheet, components, "ticking the panel help");
  ClickRow(components, IDC_COMPONENT_LIST, 0, 5);  // the panel cleared: the help needs it
  HWND question = WaitForDialog("dependency question", IDC_DEPENDENCY_LIST);
  Save(question, "dependency");
  Click(question, IDCANCEL);  // No: nothing changes
  WaitGone(question);
  Click(components, IDCANCEL);  // the components as they were
  WaitGone(components);

  sheet = WaitForPage("custom page", IDC_COMPONENT_LIST, IDC_COMPONENTS_LABEL);
  ClickRow(CurrentPage(sheet), IDC_COMPONENT_LIST, 1, 5);  // the display driver left out: no restart
  ExpectNoDialog(sheet, nullptr, "leaving the display driver out");
  sheet = WaitForPage("custom page", IDC_COMPONENT_LIST, IDC_COMPONENTS_LABEL);
  PressSheet(sheet, PSBTN_NEXT);
  sheet = WaitForPage("readme page", IDC_README_TEXT, IDC_README_BUTTON);
  Save(sheet, "readme");
  PressSheet(sheet, PSBTN_NEXT);

  std::vector<std::string> met;
  sheet = ThroughInstallation(true, away, back, met);
  for (const char* name : {"license", "version-conflict", "source-file", "source-disk", "progress"}) {
    bool seen = false;
    for (const std::string& m : met) seen = seen || m == name;
    if (!seen) Fail(std::string("the installation run showed no ") + name);
  }
  if (!ButtonOn(sheet, IDC_SHEET_FINISH)) Fail("the finish page offers no Finish");
  Save(sheet, "finish");
  PressSheet(sheet, PSBTN_FINISH);
  WaitForEnd();
}

void TypicalTour() {
  ThroughLanguagePage(false);
  HWND sheet = WaitForPage("setup type page", IDC_TYPE_TYPICAL);
  Click(CurrentPage(sheet), IDC_TYPE_TYPICAL);
  sheet = WaitForPage("readme page", IDC_README_TEXT, IDC_README_BUTTON);
  PressSheet(sheet, PSBTN_NEXT);
  std::vector<std::string> met;
  sheet = ThroughInstallation(false, {}, {}, met);
  if (!ButtonOn(sheet, IDC_SHEET_NEXT)) Fail("the finish page offers no restart");
  Save(sheet, "finish-restart");
  PressSheet(sheet, PSBTN_CANCEL);  // no restart now
  WaitForEnd();
}

void MaintenanceTour() {
  // The maintenance wizard starts on the choose page when the installation
  // recorded its language, else on the language page.
  WaitFor("language or choose page", [](HWND sheet) -> HWND {
    const HWND page = sheet != nullptr ? CurrentPage(sheet) : nullptr;
    return Has(page, IDC_LANGUAGE_PROMPT) || Has(page, IDC_CHOOSE_HEADING) ? page : nullptr;
  });
  if (Has(CurrentPage(Sheet()), IDC_LANGUAGE_PROMPT)) ThroughLanguagePage(false);
  HWND sheet = WaitForPage("choose page", IDC_CHOOSE_HEADING);
  Save(sheet, "choose");
  PressSheet(sheet, PSBTN_CANCEL);
  WaitForEnd();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 4 && args.size() != 6) {
    std::printf("usage: wizard_tour.exe custom|typical|maintenance SETUP.EXE LANGUAGE FOLDER [AWAY BACK]\n");
    return 2;
  }
  g_language = args[2];
  g_folder = args[3];
  Start(args[1]);
  if (args[0] == "custom") {
    CustomTour(args.size() == 6 ? args[4] : "", args.size() == 6 ? args[5] : "");
  } else if (args[0] == "typical") {
    TypicalTour();
  } else if (args[0] == "maintenance") {
    MaintenanceTour();
  } else {
    TerminateProcess(g_setup.hProcess, 1);
    std::printf("wizard tour: no tour %s\n", args[0].c_str());
    return 2;
  }
  return 0;
}
