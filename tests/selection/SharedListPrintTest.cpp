// The shared list's F8 end to end: the option dialog, the preview of the real report and the print
// dialog's proposed PDF, read back with pdfinfo and pdftotext.
#include "SharedAreaFixture.h"

#include "support/FileSizeLimit.h"

#include <cstdio>
#include <cstdlib>

namespace {

using namespace seltest;

std::string runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForStarted(30000)) {
        ADD_FAILURE() << tool.toStdString() << " could not start: " << p.errorString().toStdString();
        return {};
    }
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

// Areas sv0001 .. sv0055 (sv0002 empty, sv0003 consolidated with one child holding data): 55
// parent lines and one child line, so the portrait report fills page 1 with 55 lines and puts the
// 56th on page 2.
constexpr int kAreas = 55;
constexpr int kLines = kAreas + 1;
constexpr int kPages = 2;

class SharedListPrintTest : public SharedAreaDialogTest {
protected:
    void SetUp() override
    {
        SharedAreaDialogTest::SetUp();
        if (HasFatalFailure())
            return;
        for (int n = 4; n <= kAreas; ++n) {
            char folder[16];
            char name[32];
            std::snprintf(folder, sizeof folder, "sv%.4d", n);
            std::snprintf(name, sizeof name, "北商%.2d号", n);
            writeArea(area(folder), {name}, std::string("data of ") + folder);
        }
        std::filesystem::create_directories(m_docs);
        ::setenv("ZETRINO_DOCUMENTS_DIR", m_docs.c_str(), 1);
        SystemDef.WinTempFolder = (m_root.path() / "tmp").string();
        std::filesystem::create_directories(SystemDef.WinTempFolder);
        ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
        m_engine = true;
    }

    void TearDown() override
    {
        if (m_engine)
            print::StopReportEngine();
        ::unsetenv("ZETRINO_DOCUMENTS_DIR");
        SharedAreaDialogTest::TearDown();
    }

    // The names the grid shows, parents and children.
    static std::vector<QString> shownNames(TServerSentakuBox& box)
    {
        std::vector<QString> out;
        auto& m = box.PerfectGrid1()->model();
        for (int r = 0; r < m.rowCount(); ++r)
            out.push_back(m.cellText(r, 2).trimmed());
        return out;
    }

    std::filesystem::path m_docs = m_root.path() / "Documents";
    bool m_engine = false;
};

TEST_F(SharedListPrintTest, F8PreviewsTheReportOfTheListedAreas)
{
    auto box = prepared();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), kLines);

    m_messages.onDialog([](QDialog& d) {
        auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d);
        EXPECT_NE(options, nullptr) << "the option dialog was not shown first";
        if (!options)
            return int(platform::mrCancel);
        EXPECT_EQ(d.windowTitle().toStdString(), "共有データリストの印刷");
        EXPECT_TRUE(options->previewButton()->isVisible());
        EXPECT_FALSE(options->copyButton()->isVisible());
        saveShot(d, "shared-list-print-options");
        options->portraitButton()->click();
        options->previewButton()->click();
        return options->modalResult();
    });
    std::string where;
    std::string title;
    m_messages.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        EXPECT_NE(f, nullptr) << "the preview was not shown";
        if (!f)
            return 0;
        QApplication::setActiveWindow(f);
        f->activateWindow();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        where = f->wherePage()->text().toStdString();
        title = f->windowTitle().toStdString();
        saveShot(*f, "shared-list-preview");
        f->close();
        return 0;
    });
    key(*box, Qt::Key_F8);
    EXPECT_EQ(where, "1/" + std::to_string(kPages));
    EXPECT_EQ(title, "印刷プレビュー");
    // Closing the preview leaves the dialog as it was and removes the print data file.
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), kLines);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(SystemDef.WinTempFolder) / "データリスト.TMP"));
}

TEST_F(SharedListPrintTest, F8PrintsIntoTheProposedPdf)
{
    auto box = prepared();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), kLines);
    const std::vector<QString> names = shownNames(*box);

    m_messages.onDialog([](QDialog& d) {
        auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d);
        EXPECT_NE(options, nullptr) << "the option dialog was not shown first";
        if (!options)
            return int(platform::mrCancel);
        options->portraitButton()->click();
        options->okButton()->click();
        return options->modalResult();
    });
    QString offered;
    m_messages.onDialog([&](QDialog& d) {
        auto* pd = qobject_cast<QPrintDialog*>(&d);
        EXPECT_NE(pd, nullptr) << "the print dialog was not shown";
        if (!pd)
            return int(QDialog::Rejected);
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("filename"));
        offered = name ? name->text() : QString();
        // As the dialog's own 印刷 button (Enter): it takes its fields into the printer.
        pd->accept();
        return int(QDialog::Accepted);
    });
    m_messages.expectBox("PDF ファイルに出力しました。");
    key(*box, Qt::Key_F8);

    ASSERT_FALSE(offered.isEmpty()) << "the print dialog offered no file";
    const std::string pdf = offered.toStdString();
    EXPECT_EQ(std::filesystem::path(pdf).parent_path(), m_docs);
    ASSERT_TRUE(std::filesystem::exists(pdf)) << pdf;
    const QString info = QString::fromStdString(runTool(QStringLiteral("pdfinfo"), {offered}));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(kPages))))
        << info.toStdString();

    const QString all = QString::fromStdString(runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), offered, QStringLiteral("-")}));
    EXPECT_TRUE(all.contains(QStringLiteral("共有データリスト")));
    EXPECT_TRUE(all.contains(QStringLiteral("PAGE    1"))) << all.left(400).toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("PAGE    2")));
    ASSERT_EQ(names.size(), std::size_t(kLines));
    for (const QString& n : names) {
        EXPECT_FALSE(n.isEmpty());
        EXPECT_TRUE(all.contains(n)) << n.toStdString();
    }
    // The 56th line, the last area, is the one on page 2.
    const QString second = QString::fromStdString(
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"),
                                              QStringLiteral("2"), offered, QStringLiteral("-")}));
    EXPECT_TRUE(second.contains(QStringLiteral("北商55号")));
    EXPECT_FALSE(second.contains(QStringLiteral("北商54号")));
    EXPECT_FALSE(sawText("印刷できません"));
}

// F8 → 印刷 with a database typed as the output file (confirmed as Qt's overwrite question would
// be), and on a disk that fills up: the database stays whole and opens, nothing passes for a
// written PDF, and the box says why.
TEST_F(SharedListPrintTest, F8NeverPrintsOverADatabaseAndSaysWhenThePdfCouldNotBeWritten)
{
    const std::filesystem::path system = m_root / "c" / "ZAIMU" / "DATA" / "dwaccdef.fdb";
    const std::filesystem::path company =
        testsupport::FixtureDb::copyTo("company", m_root / "c" / "ZAIMU" / "DATA" / "0002" / "dwacc.fdb");
    const std::filesystem::path pdf = m_docs / "list.pdf";
    struct Case {
        const char* name;
        std::filesystem::path target;
        bool fullDisk;
        std::string box;
    };
    const Case cases[] = {
        {"the open system database", system, false,
         "PDF ファイルを出力できませんでした。\r" + system.string() + " はこのプログラムが開いているデータベースです。"},
        {"a company database", company, false,
         "PDF ファイルを出力できませんでした。\r" + company.string() + " はデータベースファイルです。"},
        {"a full disk", pdf, true,
         "PDF ファイルを作成できませんでした。\r" + pdf.string() +
             "\rファイルを最後まで書き込めませんでした（ディスクの空き容量が不足している可能性があります）。"},
    };
    auto box = prepared();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), kLines);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sizeBefore = std::filesystem::exists(c.target) ? std::filesystem::file_size(c.target) : 0;
        m_messages.clear();
        m_messages.onDialog([](QDialog& d) {
            auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d);
            EXPECT_NE(options, nullptr) << "the option dialog was not shown first";
            if (!options)
                return int(platform::mrCancel);
            options->portraitButton()->click();
            options->okButton()->click();
            return options->modalResult();
        });
        std::unique_ptr<testsupport::FileSizeLimit> full;
        m_messages.onDialog([&](QDialog& d) {
            auto* pd = qobject_cast<QPrintDialog*>(&d);
            EXPECT_NE(pd, nullptr) << "the print dialog was not shown";
            if (!pd)
                return int(QDialog::Rejected);
            auto* name = d.findChild<QLineEdit*>(QStringLiteral("filename"));
            EXPECT_NE(name, nullptr);
            if (name)
                name->setText(QString::fromStdString(c.target.string()));
            pd->accept();
            if (c.fullDisk)
                full = std::make_unique<testsupport::FileSizeLimit>(8192);
            return int(QDialog::Accepted);
        });
        m_messages.answer(platform::IDOK);
        key(*box, Qt::Key_F8);
        full.reset();
        std::vector<std::string> said;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog")
                said.push_back(b.kind + ": " + b.text);
        EXPECT_EQ(said, (std::vector<std::string>{"error: " + c.box}));
        if (c.fullDisk) {
            EXPECT_FALSE(std::filesystem::exists(c.target)) << "a partial PDF stayed";
        } else {
            EXPECT_EQ(std::filesystem::file_size(c.target), sizeBefore);
            firebird::Attachment db;
            EXPECT_NO_THROW(db.connect(testsupport::morabyParams(c.target.string()))) << "the database no longer opens";
        }
    }
}

TEST_F(SharedListPrintTest, F8WithoutRowsOnlyInforms)
{
    paths::unmapDrive('Z');
    auto box = prepared();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 0);
    // No dialog handler: an option dialog shown without rows fails the test as unexpected.
    m_messages.expectBox("共有データリストが表示されていません。");
    key(*box, Qt::Key_F8);
    EXPECT_TRUE(sawText("共有データリストが表示されていません。"));
}

} // namespace
