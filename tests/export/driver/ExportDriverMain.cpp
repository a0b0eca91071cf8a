// export-driver: the headless export of the end-to-end tests (see tests/README.md).
//   export-driver DATAROOT DATASET OPCODE PASSWORD FUNCTIONID OUTPUT [REGISTRY]
// Paths are native. The exit status is the completion code (0 written, 2 failed).
#include "export/ExportDriver.h"

#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <cstdio>
#include <string>

namespace {

// Boxes go to the error stream and take their default answer: nobody is there to click.
class StderrMessages final : public platform::MessageService {
public:
    int messageBox(const std::string& text, const std::string& caption, int flags) override
    {
        std::fprintf(stderr, "%s\t%s\t%s\n", platform::kindOf(flags).c_str(), caption.c_str(),
                     text.c_str());
        return platform::defaultAnswer(flags);
    }
    std::optional<std::string> openFileName(const platform::FileDialogRequest&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const platform::FileDialogRequest&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> folderName(const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int execDialog(QDialog&) override { return 0; }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7 || argc > 8) {
        std::fprintf(stderr, "usage: export-driver DATAROOT DATASET OPCODE PASSWORD FUNCTIONID "
                             "OUTPUT [REGISTRY]\n");
        return 2;
    }
    StderrMessages messages;
    platform::setMessageService(&messages);
    if (argc == 8)
        platform::registry::setStorePath(argv[7]);

    testsupport::ExportRequest request;
    request.dataRoot = argv[1];
    request.dataSet = argv[2];
    request.password = argv[4];
    try {
        request.opCode = std::stoi(argv[3]);
        request.functionId = std::stoi(argv[5]);
    } catch (const std::exception&) {
        std::fprintf(stderr, "OPCODE and FUNCTIONID are numbers\n");
        return 2;
    }
    request.outputFile = platform::paths::fromNative(argv[6]);
    std::string failure;
    const int code = testsupport::runHeadlessExport(request, &failure);
    if (code != 0)
        std::fprintf(stderr, "%s\n", failure.c_str());
    platform::setMessageService(nullptr);
    return code;
}
