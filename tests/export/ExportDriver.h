#pragma once

// A headless run of the export for end-to-end tests (not a user feature): sign the operator in
// against the system database of a data root, open the company database of a data set, run the
// export object and write the linkage file. See tests/README.md.

#include <filesystem>
#include <functional>
#include <string>

namespace testsupport {

struct ExportRequest {
    std::filesystem::path dataRoot; // holds the system database dwaccdef.fdb
    std::filesystem::path dataSet;  // holds the company database dwacc.fdb
    int groupId = 10000;
    int opCode = 10;                // operator code
    std::string password;
    int functionId = 2;             // as a calling program passes it, 0 for none
    std::string outputFile;         // program path form (drive letter, backslashes)
    std::function<void(int done)> assetProgress; // after each asset read (tests interfere here)
};

// The completion code: 0 when the file was written, 2 when sign-in (with the operator
// settings), opening or the export failed (no file then). The failure text goes to failure when given.
int runHeadlessExport(const ExportRequest& request, std::string* failure = nullptr);

} // namespace testsupport
