#pragma once

// The company database's upgrade steps 0.1.1 to 1.0.1: their scripts and their routine.

#include "dbupdate/DbUpdateSteps.h"
#include "dbupdate/IsqlScriptRunner.h"

namespace dbupdate {

// Whether a company step from 0.1.1 to 1.0.1 is built here.
bool hasCompanyStep(const DbVersion& v);

// The script of company step v for the opened data set (SystemDef.DataDir, DataFile): the step's
// statements, the blocks whose guard column is missing in the company database (asked through
// the data module: connect, test, disconnect), the account lists chosen by AccInf's data kind,
// then the version record and "EXIT;". Throws std::invalid_argument for a step not built here.
DbUpdateScript companyStepScript(const DbVersion& v);

// The step routine: the script saved and run; a step result code.
int ExecCompanyStep(const DbVersion& v);

} // namespace dbupdate
