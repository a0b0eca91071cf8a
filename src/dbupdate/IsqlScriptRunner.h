#pragma once

// The script of an upgrade step and the runner that hands it to Firebird's SQL tool.

#include <string>
#include <vector>

namespace dbupdate {

// Step result codes.
enum StepResult : int {
    StepDone = 1,          // the script ran and its output shows no failure
    StepFailed = 16,       // the tool ran and its output reports a failure (or it crashed)
    StepToolMissing = 17,  // the tool cannot be started
    StepFileMissing = 18,  // the script or one of the step's input files is missing
};

// The folder of "dwzdataup.sql" and "dwzdataup.log": a folder of this user's own (mode 0700)
// under the temporary folder, created when missing. Throws std::runtime_error when the folder
// exists but is not this user's private folder.
std::string updateWorkFolder();
std::string updateScriptPath();
std::string updateOutputPath();

// One step's script in the common frame: header, empty line, CONNECT, the step's statements,
// and (added by the step) the version record, "COMMIT;" and "EXIT;". Text lines are UTF-8 and
// saved as CP932 with CR LF; the database name keeps its native bytes.
class DbUpdateScript {
public:
    // The CONNECT line names Folder + File as the data module names its own attachment. The
    // password is not in the script: the runner gives it to the tool in its environment.
    DbUpdateScript(const std::string& Folder, const std::string& File);

    void add(const std::string& line);
    // A line already in CP932 (from an installed step file).
    void addBytes(const std::string& cp932Line);
    // "INSERT INTO VERSION(...) VALUES(...);" and "COMMIT;" (system steps).
    void addSystemVersion(int Major, int Minor1, int Minor2);
    // "UPDATE ACCVERSION SET ..." + "WHERE REC=1;" and "COMMIT;" (company steps).
    void addCompanyVersion(int Major, int Minor1, int Minor2);

    // The stored bytes: every line in CP932 ending with CR LF.
    std::string bytes() const;
    // Writes the bytes to updateScriptPath(), readable by this user only. Throws on failure
    // (EncodingError for a text without a CP932 form).
    void save() const;

    // A text literal for SQL: single quotes doubled, enclosed in quotes.
    static std::string quoted(const std::string& text);

private:
    std::vector<std::string> m_lines; // already encoded
};

// Runs updateScriptPath() through the SQL tool and judges its output. VersionText names the
// step in the failure message only. Shows the runner's messages; returns a StepResult.
int ExecIsqlScript(const std::string& VersionText);

// Appends every output line to the ErrDataup log of the log folder, creating it when missing.
void AppendErrorLog(const std::vector<std::string>& lines);

} // namespace dbupdate
