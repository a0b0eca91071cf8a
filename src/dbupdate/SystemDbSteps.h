#pragma once

// The system database's upgrade steps: their scripts and their routine.

#include "dbupdate/DbUpdateSteps.h"
#include "dbupdate/IsqlScriptRunner.h"

namespace dbupdate {

// The script of the registered system step v, built from the step's statements and the
// settings of SystemDef (folder, connect mode), LumeranDataFlag and the program's sql folder.
// Throws std::invalid_argument for a version that is not a system step.
DbUpdateScript systemStepScript(const DbVersion& v);

// The OEM data's code systems of step 5.0.0, loaded from the sql folder's "500" into USERCODE
// rows 1-10 (row 7 has none); stops at the first load that fails, reports nothing.
void LoadOemCodeSystems();

// The step routine: the script saved and run; a step result code.
int ExecSystemStep(const DbVersion& v);

} // namespace dbupdate
