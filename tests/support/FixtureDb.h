#pragma once

#include "firebird/Attachment.h"

#include <filesystem>
#include <string>

namespace testsupport {

// Fixture databases built from the SQL of tests/fixtures/<name> ("system", "company",
// "fileman") by tools/fixtures.sh. Each is built once per build folder (the cache name hashes
// the SQL, so editing a fixture rebuilds it) and copied for every test.
class FixtureDb {
public:
    // The built database (do not open it: copy it).
    static std::filesystem::path path(const std::string& name);
    // Copies the fixture to target, creating its folders; returns target.
    static std::filesystem::path copyTo(const std::string& name,
                                        const std::filesystem::path& target);
};

// Connect parameters of the fixtures' owner MORABY for a database name (path or host:path).
firebird::ConnectParams morabyParams(const std::string& database);

// Starts the loopback server through tools/services.sh unless it already answers (once per
// process). Throws std::runtime_error with the script's reason when it cannot be started.
// Call it from a fixture's SetUp(), not SetUpTestSuite(): GoogleTest turns a failure in
// SetUpTestSuite() into skipped tests, which ctest counts as passed.
void ensureServer();

// A folder of the test's own inside the loopback server's work folder ("\morabyzaimu\temp" on
// the server's C:, which is "/"): the work folder is served by the server's file procedures,
// so tests take it, not a folder of their own, as the program's ServerTempFolder. Not created
// here (the program makes it through the server); removed with its contents at the end.
class ServerWorkFolder {
public:
    ServerWorkFolder();
    ~ServerWorkFolder();
    ServerWorkFolder(const ServerWorkFolder&) = delete;
    ServerWorkFolder& operator=(const ServerWorkFolder&) = delete;

    const std::filesystem::path& native() const { return m_native; }
    // "C:\morabyzaimu\temp\zetrino-test-..." as the program names it.
    std::string windowsPath() const;

private:
    std::filesystem::path m_native;
};

} // namespace testsupport
