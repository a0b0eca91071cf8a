#pragma once

// The one handler of database errors, the error dialog and the error logs.
// Texts are UTF-8 with "\r" line breaks; the logs are written in CP932 with CR LF.

#include <exception>
#include <functional>
#include <string>

namespace firebird {
class DatabaseError;
}

// Logs a database error to "ErrFbAccess.log" (appended) and "ErrFbAccess.txt" (rewritten) in
// LogFolder, shows Message (if any) with the technical details, ends the program on an internal
// consistency error, and after a lost connection (firebird::isConnectionLoss: shown by no box of
// its own) closes and reopens both connections of DM when Reconnect is true. Does nothing once
// DbFatalFlag is set. Never throws: a log that cannot be written is skipped and the dialog, the
// fatal handling and the recovery still run.
void HandleDbError(const firebird::DatabaseError& E, const std::string& Context,
                   const std::string& Message, bool Reconnect);

// Shows Message, followed by "[詳細情報]" and Detail when Detail is not empty, in a message
// dialog of kind DlgType (0 warning, 1 error, 2 information, 3 confirmation, 4 plain) with one
// OK button. Nothing when both are empty.
void ShowErrorDialog(const std::string& Message, const std::string& Detail, int DlgType);

// The trial-balance error box, and its lines in "FB_ERROR.TXT" (rewritten) and "FB_ERROR.LOG"
// (appended) in RootFolder, or in LogFolder when RootFolder cannot be written.
void ShowDbErrorLog(const firebird::DatabaseError& E, const std::string& Title, bool OmitMessage);

// Shows each comma-separated part of Text (up to its first "//") on its own line.
void ShowCommaMessage(const std::string& Text, int DlgType);

namespace records {

// How the handler asks for the end of the program: by default it makes the running event
// loops return (QCoreApplication::exit), so the main form's normal shut-down still runs.
// Tests install their own; an empty function restores the default.
void setProgramEndRequest(std::function<void()> request);

// How many lost connections the handler has met. A caller that runs several database steps
// reads it before and after: a change means one of them met a lost connection, even where that
// step only returned its failure result.
unsigned long connectionLossCount();

// For an error caught outside HandleDbError: true when it is a lost connection (also work on a
// connection the handler had to leave closed), which then counts as one. Such an error shows
// nothing of its own: the handler's recovery or its fatal message speaks for it.
bool noteConnectionLoss(const std::exception& error);

// The message-dialog caption of a dialog kind ("警告", "エラー", "情報", "確認", "").
std::string dialogCaption(int DlgType);

} // namespace records
