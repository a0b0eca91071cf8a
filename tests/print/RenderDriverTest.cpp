// The render driver on real print files: the data-list example and pages with every record over a
// form with variables, to PNG pages and a PDF checked with poppler.
#include "PrintTestSupport.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using printtest::EngineTest;

std::string runTool(const QString& tool, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << tool.toStdString() << " could not run: " << p.errorString().toStdString();
        return {};
    }
    if (exitCode)
        *exitCode = p.exitCode();
    else if (p.exitCode() != 0)
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput().toStdString();
}

class RenderDriverTest : public EngineTest {
protected:
    // A source file of tests/print/data, {DIR} replaced, stored as CP932 with CR LF.
    std::string install(const std::string& source, const std::string& name)
    {
        std::string text = testsupport::readFile(std::string(TEST_SOURCE_DIR) + "/data/" + source);
        for (std::size_t p = text.find("{DIR}"); p != std::string::npos; p = text.find("{DIR}"))
            text.replace(p, 5, m_dir.str());
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return writeFile(name, lines);
    }

    // Runs the driver; the pages are kept under the build folder for people to look at.
    std::filesystem::path render(const std::string& data, const std::string& form,
                                 const std::string& outName)
    {
        const std::filesystem::path out = std::filesystem::path(TEST_BINARY_DIR) / "print-render" / outName;
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        int code = -1;
        runTool(QStringLiteral(PRINT_RENDER_PATH),
                {QString::fromStdString(data), QString::fromStdString(form.empty() ? "-" : form),
                 QString::fromStdString(out.string())},
                &code);
        EXPECT_EQ(code, 0) << "print-render failed on " << data;
        return out;
    }

    static int ink(const QImage& img, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += qGray(img.pixel(x, y)) < 128 ? 1 : 0;
        return n;
    }
};

TEST_F(RenderDriverTest, DataListExample)
{
    const auto out = render(install("data-list-example.txt", "list.tmp"), "", "data-list");
    const QImage page(QString::fromStdString((out / "page-1.png").string()));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.size(), QSize(2100, 2970));
    EXPECT_FALSE(std::filesystem::exists(out / "page-2.png"));
    // Every 9-pt row sits between its top and the separator 3.4 mm lower.
    for (int y : {405, 449, 493, 537}) {
        EXPECT_GT(ink(page, 250, y, 600, y + 33), 100) << "row at " << y;
        EXPECT_EQ(ink(page, 250, y + 35, 600, y + 43), 0) << "ink below the separator at " << y + 34;
    }
    const std::string pdf = (out / "report.pdf").string();
    const std::string info = runTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    EXPECT_TRUE(QString::fromStdString(info).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    const std::string text = runTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    // The IPA fonts share one glyph for U+FF5E and U+301C, so the dates are checked apart.
    EXPECT_TRUE(QString::fromStdString(text).contains(QRegularExpression(QStringLiteral("PAGE\\s+1"))));
    for (const char* s : {"データリスト", "サンプル商事", "合算グループ", "01 本店", "2023/04/01",
                          "2024/03/31", "~/data/0002/02"})
        EXPECT_NE(text.find(s), std::string::npos) << s << " missing in:\n" << text;
}

TEST_F(RenderDriverTest, EveryRecordOverAFormWithVariables)
{
    {
        QImage jpg(80, 60, QImage::Format_RGB32);
        jpg.fill(QColor(230, 120, 30));
        ASSERT_TRUE(jpg.save(QString::fromStdString((m_dir / "picture.jpg").string()), "JPG", 95));
        QImage bmp(60, 60, QImage::Format_RGB32);
        bmp.fill(QColor(30, 120, 230));
        ASSERT_TRUE(bmp.save(QString::fromStdString((m_dir / "picture.bmp").string()), "BMP"));
        testsupport::writeFile(m_dir / "chart.wmf", std::string(40, '\0'));
    }
    const std::string form = install("form-with-variables.txt", "form.txt");
    const auto out = render(install("all-records.txt", "records.tmp"), form, "all-records");
    const QImage first(QString::fromStdString((out / "page-1.png").string()));
    const QImage second(QString::fromStdString((out / "page-2.png").string()));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(first.size(), QSize(2100, 2970));
    EXPECT_EQ(second.size(), QSize(2970, 2100));
    // The form's variables: two amounts one line pitch (6 mm) apart.
    EXPECT_GT(ink(first, 1300, 2000, 1500, 2040), 50);
    EXPECT_GT(ink(first, 1300, 2060, 1500, 2100), 50);
    // The picture.
    EXPECT_EQ(first.pixelColor(900, 1650).red() > 200 && first.pixelColor(900, 1650).blue() < 80, true);

    const std::string pdf = (out / "report.pdf").string();
    const std::string info = runTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    EXPECT_TRUE(QString::fromStdString(info).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info;
    const std::string text = runTool(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
    for (const char* s : {"全レコード試験", "ゴシック体", "帳票フォーム", "テスト商品", "二頁目の商品",
                          "横向きの二ページ目", "(1/2)", "(2/2)", "12,345"})
        EXPECT_NE(text.find(s), std::string::npos) << s << " missing in:\n" << text;
    const std::string fonts = runTool(QStringLiteral("pdffonts"), {QString::fromStdString(pdf)});
    EXPECT_NE(fonts.find("IPAMincho"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("IPAGothic"), std::string::npos) << fonts;
}

} // namespace
