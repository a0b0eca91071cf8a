#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Firebird's command-line tools, which the program names "gbak.exe" and "isql.exe" in its
// program folder. They run with an argument list (never through a shell), without a window,
// and secrets travel in the child's environment (ISC_PASSWORD), never on its command line.
namespace platform::tools {

// The program to run for a tool named as on Windows: "<exeFolder>/<Linux name>" when that file
// exists, else Debian's tool on the PATH ("gbak.exe" -> "gbak", "isql.exe" -> "isql-fb"; any
// other name loses its ".exe"). exeFolder may be in Windows form.
std::string toolProgram(std::string_view windowsName, const std::string& exeFolder);

struct ToolResult {
    bool started = false;
    int exitCode = -1; // -1 when it did not start or crashed
};

// Runs the program to its end. While it runs the GUI keeps processing its events (progress stays
// painted, the window answers); the call returns only when the child has ended.
ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

} // namespace platform::tools
