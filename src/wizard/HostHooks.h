#pragma once

// The host's side of the framework hooks: launching registered forms by name, answering menu
// questions and checking a data set for damage.
//
// Entry points for the main form:
//   installHostHooks()  fills MenuHookProc, SyoriKidouProc and DataHasonProc (form creation);
//   clearHostHooks()    empties the three slots again (form destruction).

#include <string>

class QObject;

// Answers every framework question about other open processing windows: there are none (0).
int MenuHook(int Command, const std::string& Text);

// A new instance of the form registered under Name, nullptr when none is registered.
QObject* CreateSyoriForm(const std::string& Name);

// Launches the form registered under Name with the "\r"-separated parameter lines, modally when
// Mode is 1, and returns its result; -1 for an empty name, while the wait cursor shows (another
// launch or long operation is running) or when the form cannot be launched.
int SyoriKidou(const std::string& Name, int Mode, const std::string& Params);

// Validates the company database of Folder (over the network when Host is neither empty nor
// "127.0.0.1"). Sound: 1. Damaged: DataBroken is set, the user is told unless Quiet, the data
// set is marked damaged in the catalogue and its information file, and the answer is 0.
int DataHason(const std::string& Host, const std::string& Folder, bool Quiet);

void installHostHooks();
void clearHostHooks();
