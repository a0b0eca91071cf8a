// upgrade-driver: the headless upgrade of the end-to-end tests (see tests/README.md).
//   upgrade-driver DATAROOT [DATASET] OPCODE PASSWORD MODE
// DATAROOT holds the system database dwaccdef.fdb, DATASET a company database dwacc.fdb (mode
// 1). Signs the operator of group 10000 in, runs the version check of MODE and the dialog's OK
// without showing it; the catalogue row of DATASET follows the new version. Boxes go to the
// error stream with their default answer; the step list with its states goes to the output.
// Exit status 0 when the run is done, else 1. With UPGRADE_DRIVER_TIMES set, each step's time
// goes to the error stream as well.
#include "catalogue/DataCatalogue.h"
#include "dbupdate/DbUpdateBox.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

class StderrMessages final : public platform::MessageService {
public:
    int messageBox(const std::string& text, const std::string& caption, int flags) override
    {
        std::fprintf(stderr, "%s\t%s\t%s\n", platform::kindOf(flags).c_str(), caption.c_str(),
                     text.c_str());
        return platform::defaultAnswer(flags);
    }
    std::optional<std::string> openFileName(const platform::FileDialogRequest&) override { return {}; }
    std::optional<std::string> saveFileName(const platform::FileDialogRequest&) override { return {}; }
    std::optional<std::string> folderName(const std::string&, const std::string&) override { return {}; }
    int execDialog(QDialog& dialog) override
    {
        std::string text;
        int result = platform::mrOk;
        if (auto* box = qobject_cast<TMessageBox*>(&dialog)) {
            box->ApplySettings();
            text = box->MsgText;
            for (const std::string& line : box->MsgLines)
                text += "\r" + line;
            result = box->defaultResult();
        }
        std::fprintf(stderr, "dialog\t%s\t%s\n", dialog.windowTitle().toStdString().c_str(), text.c_str());
        return result;
    }
};

void signIn(TDM& dm, int opCode, const std::string& password)
{
    dm.IBDatabaseDEF.connect(testsupport::morabyParams(
        platform::paths::toNative(platform::paths::join(SystemDef.SysDir, DataDefFile)).string()));
    firebird::Transaction& t = dm.IBTransactionDEF;
    t.start();
    firebird::Statement q(t, "SELECT NUM, LOGINCODE, JOBLEVEL FROM LOGONUSERTEST("
                             ":PCNAME, :GROUPID, :OPCODE, :APPVERSION, :PASWORD)");
    q.setString("PCNAME", SystemDef.PcName);
    q.setInt("GROUPID", 10000);
    q.setInt("OPCODE", opCode);
    q.setInt("APPVERSION", 800);
    q.setString("PASWORD", password);
    int num = -1, loginCode = 0, jobLevel = 0;
    {
        auto c = q.open();
        if (c.fetch()) {
            num = c.getInt("NUM");
            loginCode = c.getInt("LOGINCODE");
            jobLevel = c.getInt("JOBLEVEL");
        }
    }
    t.commit();
    if (num != 0 && num != 1)
        throw std::runtime_error("sign-in refused: " + std::to_string(num));
    SystemDef.GroupId = 10000;
    SystemDef.LoginCode = loginCode;
    SystemDef.LoginId = 10000 * 10000 + loginCode;
    SystemDef.JobLevel = jobLevel;
    if (!dm.fnGetSysDef()) {
        dm.DeleteLogonInfo();
        throw std::runtime_error("operator settings could not be read");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: upgrade-driver DATAROOT [DATASET] OPCODE PASSWORD MODE\n");
        return 1;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    StderrMessages messages;
    platform::setMessageService(&messages);

    const std::filesystem::path root = argv[1];
    const int shift = argc == 6 ? 1 : 0;
    int opCode = 0, mode = 0;
    try {
        opCode = std::stoi(argv[2 + shift]);
        mode = std::stoi(argv[4 + shift]);
    } catch (const std::exception&) {
        std::fprintf(stderr, "OPCODE and MODE are numbers\n");
        return 1;
    }
    const std::string password = argv[3 + shift];

    SystemDef.SysDir = platform::paths::fromNative(root);
    const std::string dataDir = shift ? platform::paths::fromNative(argv[2]) : std::string();
    SystemDef.DataDir = dataDir;
    SystemDef.DataRoot = SystemDef.SysDir;
    SystemDef.TempFolder = SystemDef.SysDir + "\\temp";
    SystemDef.LogFolder = SystemDef.SysDir + "\\log";
    SystemDef.SqlFolder = platform::paths::fromNative(STEP_SQL_DIR);
    SystemDef.DocumentFolder = SystemDef.SysDir + "\\documents";
    SystemDef.DbUser = "MORABY";
    SystemDef.DbPassword = testsupport::morabyParams("").password;
    SystemDef.PcName = "HEADLESS";
    DataDefFile = "dwaccdef.fdb";
    DataFile = "dwacc.fdb";
    for (const char* folder : {"temp", "log"})
        std::filesystem::create_directories(root / folder);

    int code = 1;
    try {
        TDM dm;
        // As in the program: closing the company database after the run brings its catalogue
        // row up to date.
        selection::installCatalogueStep(dm);
        signIn(dm, opCode, password);
        if (mode == 1) {
            SystemDef.DataDir = dataDir; // the operator's settings name the folder used last
            if (!dm.fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0) || !dm.fnGetAccInfo())
                throw std::runtime_error("company settings could not be read");
        }
        dbupdate::TDbUpdateBox box;
        box.InitUpdateList(std::uint8_t(mode), "");
        if (std::getenv("UPGRADE_DRIVER_TIMES")) {
            // Each step's wall time to the error stream ("time", version, seconds), for the benchmark.
            auto steps = box.Check.activeSteps();
            for (auto& step : steps) {
                if (!step.UpdateFunc)
                    continue;
                step.UpdateFunc = [run = step.UpdateFunc, version = dbupdate::versionText(step.version())] {
                    const auto start = std::chrono::steady_clock::now();
                    const int result = run();
                    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
                    std::fprintf(stderr, "time %s %.3f\n", version.c_str(), took.count());
                    return result;
                };
            }
            box.Check.setSteps(std::uint8_t(mode), std::move(steps));
            box.InitUpdateList(std::uint8_t(mode), "");
        }
        std::printf("pending %d\n", box.Check.UpdatePending ? box.Check.LastPending - box.Check.FirstPending + 1 : 0);
        if (box.Check.UpdatePending) {
            box.btnOkClick();
            for (int i = 0; i < box.ListView1->topLevelItemCount(); ++i) {
                const auto* item = box.ListView1->topLevelItem(i);
                std::printf("%s\t%s\t%s\n", item->text(0).toStdString().c_str(),
                            item->text(1).toStdString().c_str(), item->text(2).toStdString().c_str());
            }
            code = box.Check.Done ? 0 : 1;
        }
        if (!dm.IBDatabaseDEF.connected())
            dm.fnAccDefConnected(SystemDef.HostName, 1);
        dm.DeleteLogonInfo();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        code = 1;
    }
    platform::setMessageService(nullptr);
    return code;
}
