#pragma once

#include "platform/MessageService.h"

#include <functional>
#include <string>

class QObject;
class QWindow;

// The operating system, waiting with event processing, and the folder and file pickers that keep
// files out of the system drive's root while the elevation rule is on. Pickers and questions go
// through platform/MessageService.h. Paths are in Windows form (records/FileUtils.h).

// The system's major version; always above 5 here, so the elevation rules apply.
int GetOSMajorVersion();
// The logon name of the user; empty when there is none.
std::string GetWinUserName();
// Waits the milliseconds while the application's events are processed; returns true.
bool WaitMSec(int milliseconds);

// Brings one of the program's windows to the front and gives it the input focus.
void ForceForegroundWindow(QWindow* window);
// Drops the mouse and key events still pending for the window (a widget or window object) and
// everything inside it; other pending events are delivered as usual.
void FlushInputMessages(QObject* window);
// One of the program's top-level windows by class name (the object's class or object name)
// and/or title, a missing part not compared; none when both are empty. Other programs' windows,
// the desktop's icon view included ("desktop"), are out of reach: none.
QWindow* FindWindowHandle(const std::string& className, const std::string& windowName);

// The registry key and value that switch the elevation rule on (value 1).
inline constexpr const char* kUacPolicyKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline constexpr const char* kUacPolicyValue = "EnableLUA";
// Whether the registry stand-in holds "EnableLUA" = 1 (off when the value is missing).
bool isUacOn();
// Whether the folder is the system drive's root (any case, with or without the delimiter).
bool isSystemDriveRoot(const std::string& folder);

// Asks for a folder, starting at path (or root when path is empty). False on cancel, or after
// the error box for a path longer than 255 characters (path then holds it). While the elevation
// rule is on (unless skipUacCheck) the system drive's root asks whether to use the documents
// folder instead: Yes takes it, No opens the picker again.
bool SelectFolder(const std::string& title, std::string& path, bool skipUacCheck,
                  const std::string& root = {});
// Asks for a computer on the local network through the browser that the window layer installs
// (setComputerBrowser); the chosen computer's name goes into name and the answer is true. Without
// a browser, or on cancel, false and name unchanged.
bool SelectComputer(const std::string& title, std::string& name);
using ComputerBrowserFunc = std::function<bool(const std::string& title, std::string& name)>;
void setComputerBrowser(ComputerBrowserFunc browser);
// Runs an open (save false) or save picker, starting at fileName. With the elevation rule on, a
// file in the system drive's root asks the documents question: Yes puts the file's name in the
// documents folder, No opens the picker again. False on cancel.
bool ExecuteFileDialog(const platform::FileDialogRequest& request, bool save,
                       std::string& fileName);
// Gives path a trailing "\"; the system drive's root with the elevation rule on asks the
// documents question: Yes gives the documents folder and true, No false.
bool CheckSaveFolder(std::string& path);
