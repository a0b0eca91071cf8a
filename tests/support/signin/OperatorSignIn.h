#pragma once

// The database part of the sign-in dialog for headless drivers (export-driver, launch-harness):
// LOGONUSERTEST on the connected system database, then the sign-in fields of SystemDef and the
// operator settings, as the main form has them after a sign-in.

#include <string>

class TDM;

namespace testsupport {

struct SignInRequest {
    int groupId = 10000;
    int opCode = 10;
    std::string password;
    std::string pcName = "HEADLESS";
};

// Throws std::runtime_error when the operator is refused or the settings cannot be read (the
// sign-in row is removed again then). dm.IBDatabaseDEF must be connected.
void signInOperator(TDM& dm, const SignInRequest& request);

} // namespace testsupport
