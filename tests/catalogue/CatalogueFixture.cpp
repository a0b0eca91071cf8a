#include "CatalogueFixture.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/Sql.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"
#include "selection/SelectionForms.h"
#include "ui/SimpleMessageBox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include <filesystem>

namespace paths = platform::paths;

void CatalogueTest::SetUp()
{
    records::resetProgramState();
    std::filesystem::create_directories(m_root / "c");
    std::filesystem::create_directories(m_root / "s");
    paths::mapDrive('C', m_root / "c");
    paths::mapDrive('S', m_root / "s", true, "\\\\SERVER\\share");
    SystemDef.GroupId = 10000;
    SystemDef.LoginCode = 1;
    SystemDef.LoginId = 10000 * 10000 + 1;
    SystemDef.OperatorName = "担当一";
    SystemDef.DataRoot = "C:\\ZAIMU";
    m_dbPath = (m_root / "dwaccdef.fdb").string();
    testsupport::FixtureDb::copyTo("system", m_dbPath);
    m_db.connect(testsupport::morabyParams(m_dbPath));
    m_transaction = std::make_unique<firebird::Transaction>(m_db);
    selection::setCatalogueTransaction(m_transaction.get());
    selection::installShareMessageBox();
}

void CatalogueTest::expectShareMessage()
{
    m_messages.onDialog([this](QDialog& d) {
        auto* box = dynamic_cast<TMessageBox*>(&d);
        if (!box) {
            ADD_FAILURE() << "not a TMessageBox: " << d.objectName().toStdString();
            m_shareTexts.emplace_back();
            return int(platform::mrCancel);
        }
        EXPECT_FALSE(box->btnOK()->isVisible());
        EXPECT_EQ(box->btnCancel()->CaptionA().Caption(), QStringLiteral("OK"));
        EXPECT_FALSE(box->cboxAgree()->isVisible());
        EXPECT_EQ(box->lblMain()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QString shown = box->lblMain()->text();
        if (!box->MessageArea()->isHidden())
            shown += QStringLiteral("\n\n") + box->MessageArea()->toPlainText();
        shown.replace(QLatin1Char('\n'), QLatin1Char('\r'));
        m_shareTexts.push_back(shown.toStdString());
        box->btnCancel()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
}

void CatalogueTest::TearDown()
{
    selection::setCatalogueTransaction(nullptr);
    selection::setCatalogueErrorReporter({});
    selection::setShareMessageHandler({});
    m_transaction.reset();
    m_db.disconnect();
    platform::files::clearFaults();
    paths::resetDriveMap();
    records::resetProgramState();
}

void CatalogueTest::exec(const std::string& sql) { testsupport::exec(m_db, sql); }

std::vector<std::string> CatalogueTest::rows(const std::string& sql) { return testsupport::rows(m_db, sql, ""); }

std::unique_ptr<TDataSentakuListCtl> CatalogueTest::catalogue(std::uint8_t connMode)
{
    auto ctl = std::make_unique<TDataSentakuListCtl>();
    ctl->ConnMode = connMode;
    ctl->SetDataPlace(0);
    return ctl;
}

std::string CatalogueTest::native(const std::string& windowsPath) const
{
    return paths::toNative(windowsPath).string();
}

void CatalogueTest::makeDataSet(const std::string& folder, const std::string& dataBytes,
                                const std::string& shougou, int gassan, int status)
{
    platform::files::createDirectories(folder);
    platform::files::writeAllAtomic(paths::join(folder, DataFile), dataBytes);
    platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger("DATASTS", "STATUS", status);
    ini.writeInteger("DATASTS", "SHARE_STATUS", 1);
    ini.writeString("DATAINFO", "DATALISTNAME", shougou);
    ini.writeString("DATAINFO", "CODE", "C01");
    ini.writeInteger("DATAINFO", "DATAKBN", 2);
    ini.writeInteger("DATAINFO", "CODEKBN", 1);
    ini.writeString("DATAINFO", "SHOUGOU", shougou);
    ini.writeInteger("DATAINFO", "NENDO", 5);
    ini.writeString("DATAINFO", "KISHU", "2024/01/01");
    ini.writeString("DATAINFO", "KIMATU", "2024/12/31");
    ini.writeString("DATAINFO", "VERSION1", "8.0.0");
    ini.writeString("DATAINFO", "VERSION2", "Ver8");
    ini.writeInteger("DATAINFO", "GASSANKBN", gassan);
    ini.updateFile();
}
