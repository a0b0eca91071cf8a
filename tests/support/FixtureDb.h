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

} // namespace testsupport
