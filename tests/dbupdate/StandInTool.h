#pragma once

// A stand-in for Firebird's SQL tool, placed in the program folder as "isql-fb". It takes the
// runner's arguments, keeps a copy of the script and its arguments, and appends a chosen text
// to the output file. Its behaviour comes from environment variables the test sets.

#include "support/Environment.h"
#include "support/TempDir.h"

#include <filesystem>
#include <memory>
#include <string>

class StandInTool {
public:
    // Writes the tool into folder (created when missing).
    explicit StandInTool(const std::filesystem::path& folder)
        : m_dir(folder)
    {
        std::filesystem::create_directories(folder);
        const auto tool = folder / "isql-fb";
        testsupport::writeFile(tool,
                               "#!/bin/sh\n"
                               "args=\"$*\"\n"
                               "while [ $# -gt 0 ]; do\n"
                               "  case \"$1\" in -i) script=$2; shift ;; -o) out=$2; shift ;; esac\n"
                               "  shift\n"
                               "done\n"
                               "printf '%s\\n' \"$args\" > \"$STANDIN_DIR/args\"\n"
                               "cp \"$script\" \"$STANDIN_DIR/script.sql\"\n"
                               "if [ \"$ISC_PASSWORD\" = \"$STANDIN_PASSWORD\" ] && [ -n \"$ISC_USER\" ]; then\n"
                               "  echo ok > \"$STANDIN_DIR/env\"; else echo bad > \"$STANDIN_DIR/env\"; fi\n"
                               "[ -n \"$STANDIN_SLEEP\" ] && sleep \"$STANDIN_SLEEP\"\n"
                               "[ -f \"$STANDIN_DIR/output\" ] && cat \"$STANDIN_DIR/output\" >> \"$out\"\n"
                               "[ -n \"$STANDIN_CRASH\" ] && kill -SEGV $$\n"
                               "exit 0\n");
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
        m_env = std::make_unique<testsupport::ScopedEnvironment>("STANDIN_DIR", folder.c_str());
    }

    // The text the next runs append to the output file (none: no output file at all).
    void output(const std::string& text) { testsupport::writeFile(m_dir / "output", text); }
    void noOutput() { std::filesystem::remove(m_dir / "output"); }
    std::string script() const { return read("script.sql"); }
    std::string arguments() const { return read("args"); }
    std::string environment() const { return read("env"); }
    void forget()
    {
        for (const char* name : {"script.sql", "args", "env"})
            std::filesystem::remove(m_dir / name);
    }

private:
    std::string read(const char* name) const
    {
        const auto path = m_dir / name;
        return std::filesystem::exists(path) ? testsupport::readFile(path) : std::string();
    }

    std::filesystem::path m_dir;
    std::unique_ptr<testsupport::ScopedEnvironment> m_env;
};
