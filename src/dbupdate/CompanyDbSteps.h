#pragma once

// The company database's upgrade steps 0.1.1 to 1.0.1: their scripts and their routine.

#include "dbupdate/DbUpdateSteps.h"
#include "dbupdate/IsqlScriptRunner.h"

#include <optional>

namespace firebird {
class Statement;
class Transaction;
} // namespace firebird

namespace dbupdate {

// Adds the statements of a company step kept with the program (UTF-8 resource "name"), without
// comment and empty lines. Throws std::runtime_error when the resource is missing.
void addCompanyStatements(DbUpdateScript& script, const char* name);

// Whether a company step from 0.1.1 to 1.0.1 is built here.
bool hasCompanyStep(const DbVersion& v);

// The script of company step v for the opened data set (SystemDef.DataDir, DataFile): the step's
// statements, the blocks whose guard column is missing in the company database (asked through
// the data module: connect, test, disconnect), the account lists chosen by AccInf's data kind,
// then the version record and "EXIT;". Throws std::invalid_argument for a step not built here.
DbUpdateScript companyStepScript(const DbVersion& v);

// The step routine: the script saved and run; a step result code.
int ExecCompanyStep(const DbVersion& v);

// ---- Company steps 3.0.0 to 8.0.0: installed step files, composed and direct statements ----

// Whether v is one of these steps.
bool hasCompanyFileStep(const DbVersion& v);

// Runs the step's direct statements (committed at once), then builds its script: the frame,
// the composed statements and the non-empty lines of the step's files in the program root's
// "sql\<ddd>" folder that its rules take for this data. Empty when a listed file is missing
// in a step that cannot do without one (7.0.3 and later). Raises on a failing statement or a
// file that cannot be read.
std::optional<DbUpdateScript> companyFileStepScript(const DbVersion& v);

// The step routine: StepFileMissing for a missing file as above, else the runner's result.
int ExecCompanyFileStep(const DbVersion& v);

// Direct statements on the connected company database (statement sql and its transaction).
bool TriggerExists(firebird::Statement& sql, const std::string& name);
// 1 for medical data with 377 accounts, 2 with 567; otherwise 0 (other data is not read).
int GetKamokuCountPattern(firebird::Statement& sql);
// Medical data: the sub-account switch of the tax, carried-profit and sundry accounts off.
void DisableHojoSw(firebird::Statement& sql);
// Converted data: opening balances of KAMOKU_SZ into the period balance of the start period.
void CopyKaisizanToPz(firebird::Transaction& tr);
// The company's start period (KAISINO) as the period number of KAMOKU_PZ.
int periodOfKaisiNo(int KAISINO);
// The data password setting into its scrambled form (needs the company database connected).
void ConvertDataPasswordV2();
// Connects, asks and closes the company database by itself.
bool TaxCode116Exists();
// Step 4.0.0's statements after its files.
void AddDataKindStatements(DbUpdateScript& script);

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
