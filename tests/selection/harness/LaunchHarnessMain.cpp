// launch-harness: the data-selection dialog launched as the program launches forms, for tests
// and benchmarks (see tests/README.md). Not a user feature.
//   launch-harness DATAROOT OPCODE PASSWORD LINE...
// DATAROOT is the application-data root (what ZETRINO_COMMON_APPDATA_DIR names for the
// program); the LINEs are the launch parameters ("SyoriType=0", ...). Prints the chosen data
// folder and exits with the dialog's result (-1 as 255).
#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "print/ReportEngine.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "catalogue/DataCatalogue.h"
#include "selection/SelectionForms.h"
#include "support/signin/OperatorSignIn.h"
#include "ui/AppInfoLoader.h"
#include "ui/InputDialog.h"
#include "ui/RichMessageBox.h"
#include "ui/SettingsFile.h"
#include "wizard/HostHooks.h"
#include "wizard/MainForm.h"

#include <QApplication>
#include <QFont>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: launch-harness DATAROOT OPCODE PASSWORD LINE...\n");
        return 2;
    }
    const std::string dataRoot = argv[1];
    testsupport::SignInRequest signIn;
    try {
        signIn.opCode = std::stoi(argv[2]);
    } catch (const std::exception&) {
        std::fprintf(stderr, "OPCODE is a number\n");
        return 2;
    }
    signIn.password = argv[3];
    std::string lines;
    for (int i = 4; i < argc; ++i)
        lines += (lines.empty() ? "" : "\r") + std::string(argv[i]);
    setenv("ZETRINO_COMMON_APPDATA_DIR", dataRoot.c_str(), 1);

    QApplication app(argc, argv);
    platform::installFontSubstitutions();
    ui::installRichMessageBox();
    ui::installInputDialog();
    print::StartReportEngine();
    struct EngineStop {
        ~EngineStop() { print::StopReportEngine(); }
    } const engineStop;

    std::error_code ec;
    const std::string program =
        platform::paths::fromNative(std::filesystem::read_symlink("/proc/self/exe", ec));
    if (LoadAppInfo(program, AppInfo) != kAppInfoLoaded) {
        std::fprintf(stderr, "AppInfo.ini beside the harness cannot be read\n");
        return 2;
    }
    ApplyAppInfo();
    int result = -1;
    try {
        std::string failure;
        ReadAppFolders(QApplication::font(), failure);
        SystemDef.AppCaption = "ゼトリノ連動コンポーネント";
        TDM dm;
        selection::installCatalogueStep(dm);
        installHostHooks();
        selection::registerForms();
        ConnectMode = std::uint8_t(ui::AppIniCreateSettings::ReadConnect());
        ui::AppIniCreateSettings::ReadIniSection(ConnectMode);
        if (!dm.fnAccDefConnected("", 1)) {
            std::fprintf(stderr, "the system database cannot be opened\n");
            return 2;
        }
        testsupport::signInOperator(dm, signIn);
        dm.fnGetGengo();
        struct SignOut {
            TDM& dm;
            ~SignOut() { dm.DeleteLogonInfo(); }
        } signOut{dm};
        result = SyoriKidouProc("XvDataSenkaku", 1, lines);
        std::printf("%s\n", SystemDef.DataDir.c_str());
        std::fflush(stdout);
        // A company database the dialog left open is closed as the program closes it.
        if (dm.IBDatabaseDAT.connected()) {
            try {
                dm.fnAccDatDisconnected("", 1, 1);
            } catch (const std::exception&) {
            }
        }
        clearHostHooks();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return result & 0xff;
}
