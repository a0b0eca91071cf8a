// The export end to end with side files ("Zetrino.ini", the registry store) holding bytes that are
// not CP932 in values the export does not need: the export goes through and the bytes stay.
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <fstream>

using platform::registry::RootKey;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

TEST(SideFileBytes, UndecodableBytesInUnusedValuesDoNotStopTheExport)
{
    testsupport::TempDir root;
    const auto dataRoot = root / "root";
    const auto dataSet = root / "root/data/0001";
    const auto output = root / "out/連動.xml";
    std::filesystem::create_directories(root / "out");
    std::filesystem::create_directories(root / "run");
    testsupport::FixtureDb::copyTo("system", dataRoot / "dwaccdef.fdb");
    testsupport::FixtureDb::copyTo("company", dataSet / "dwacc.fdb");

    // The registry store: the installed product, and a damaged key of some other product.
    platform::registry::setStorePath(root / "registry.ini");
    const std::string key = "SOFTWARE\\QUELTO\\MORABYZAIMU08";
    platform::registry::createKey(RootKey::LocalMachine, key);
    platform::registry::writeString(RootKey::LocalMachine, key, "Product", "モラビー財務8");
    platform::registry::writeString(RootKey::LocalMachine, key, "Version", "8.0.0");
    platform::registry::resetStorePath();
    {
        std::ofstream store(root / "registry.ini", std::ios::binary | std::ios::app);
        store << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUELTO\\OLD\x85\x40]\r\nProduct=sz:\x85\x40\r\n";
    }
    // "Zetrino.ini": the last export's DATA in bytes that do not decode, and another section.
    const auto iniFolder = root / "ProgramData/quelto/morabyzaimu/ini";
    std::filesystem::create_directories(iniFolder);
    const std::string dataLine = "DATA=\x85\x40\x8E\x52\r\n";
    writeFile(iniFolder / "Zetrino.ini",
              "[SYOTOKUZEI_G]\r\n" + dataLine + "[HOJINZEI]\r\nKOMONSAKI=\xA0\r\n");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
               QString::fromStdString((root / "ProgramData").string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
               QString::fromStdString((root / "run").string()));
    QProcess driver;
    driver.setProcessEnvironment(env);
    driver.start(QStringLiteral(EXPORT_DRIVER_PATH),
                 {QString::fromStdString(dataRoot.string()), QString::fromStdString(dataSet.string()),
                  QStringLiteral("11"), QStringLiteral("pass"), QStringLiteral("2"),
                  QString::fromStdString(output.string()),
                  QString::fromStdString((root / "registry.ini").string())});
    ASSERT_TRUE(driver.waitForFinished(120000)) << "the export driver did not finish";
    const std::string errors = driver.readAllStandardError().toStdString();
    ASSERT_EQ(driver.exitStatus(), QProcess::NormalExit) << errors;
    EXPECT_EQ(driver.exitCode(), 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(output)) << errors;
    // The value read is written back as it was.
    const std::string ini = readFile(iniFolder / "Zetrino.ini");
    EXPECT_NE(ini.find(dataLine), std::string::npos) << ini;
    EXPECT_NE(ini.find("KOMONSAKI=\xA0\r\n"), std::string::npos) << ini;
}

} // namespace
