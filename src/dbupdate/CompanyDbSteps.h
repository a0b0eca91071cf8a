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

// ---- Company steps 1.0.2 to 2.0.4 (CompanySteps1to2.cpp) ----
namespace dbupdate {

// Whether a company step from 1.0.2 to 2.0.4 is built there (1.0.2, 1.0.3, 1.0.5, 2.0.0, 2.0.4).
bool hasCompanyStep1to2(const DbVersion& v);

// The script of such a step for the opened data set: its statements, the blocks chosen by
// AccInf (1.0.3 SITEN, 1.0.5 and 2.0.0 data kind) and, for 2.0.4, the re-initialisation that
// ResetKsSetSwkInit decides on; then "Commit;" where the step has it, the version record and
// "EXIT;". Throws std::invalid_argument for a step not built there.
DbUpdateScript companyStep1to2Script(const DbVersion& v);

// Evaluates and repairs the past-year balances (KAMOKU_PZ period 0, or the period before the
// start month) from the opening balances, on the company connection the data module holds.
// On failure: rolled back, the error box shown, false.
bool RepairKanendoZan();

// 2.0.4: for real-estate data (individual, code type 2) without a KS_SETSWK_INIT row of account
// "1401", appends the depreciation journal settings' re-initialisation with one call per
// facility. Reads the company database through its own connection, closed on every way out.
void ResetKsSetSwkInit(DbUpdateScript& script);

// The step routine: 1.0.2 repairs first (16 without a script when that fails); then the script
// is saved and run; a step result code.
int ExecCompanyStep1to2(const DbVersion& v);

} // namespace dbupdate
