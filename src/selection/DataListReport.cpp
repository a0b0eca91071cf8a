// TPrDataList: the data-list report of the catalogue, written for the report engine.
#include "selection/DataListReport.h"

#include "platform/Files.h"
#include "platform/SpecialFolders.h"
#include "print/ReportComponent.h"
#include "platform/MessageService.h"
#include "records/ProgramRecords.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

std::string format3(int n)
{
    char b[16];
    std::snprintf(b, sizeof b, "%3d", n);
    return b;
}

} // namespace

TPrDataList::TPrDataList()
    : Engine(std::make_unique<print::TVellum48>())
{
}

TPrDataList::~TPrDataList() = default;

std::string TPrDataList::font() const
{
    return PrintRec.FontKind == 1 ? "ＭＳ ゴシック" : "ＭＳ 明朝";
}

std::string TPrDataList::folderText(const std::string& path) const
{
    const std::string& root = SystemDef.DataRoot;
    if (root.empty())
        return path;
    QString text = QString::fromStdString(path);
    text.replace(QString::fromStdString(root), QStringLiteral("~"), Qt::CaseInsensitive);
    return text.toStdString();
}

void TPrDataList::PrintPageHeader()
{
    if (m_line > 0 && m_line < m_linesPerPage) {
        ++m_line;
        return;
    }
    print::TVellum48& e = *Engine;
    if (m_line > 0)
        e.NewPage();
    const std::string f = font();
    const int head = PrintRec.HeadFontSize;
    const auto text = [&](int x, int y, const std::string& s, int size, const char* align) {
        e.WriteText(x, y, s, f, size, "", "黒", "OFF", align, 0);
    };
    const std::string colour = std::to_string(e.UserColor1);
    text(m_right / 2, 150, ListKind == 0 ? "データリスト" : "共有データリスト",
         PrintRec.TitleFontSize, "CENTER");
    char page[32];
    std::snprintf(page, sizeof page, "PAGE %4d", m_page);
    text(m_right, 250, page, head, "RIGHT");
    e.WriteLine(150, 300, m_right, 300, 4, 0, colour, false);
    if (ListOrientation == 0) {
        text(180, 325, "No", head, "LEFT");
        text(250, 325, "データリスト名", head, "LEFT");
        text(1050, 325, "会計年度", head, "CENTER");
        text(1350, 325, "会計期間", head, "CENTER");
        text(1600, 325, "データフォルダ", head, "LEFT");
    } else {
        text(180, 325, "No", head, "LEFT");
        text(250, 325, "コード", head, "LEFT");
        text(450, 325, "データリスト名", head, "LEFT");
        text(1250, 325, "会計年度", head, "CENTER");
        text(1550, 325, "会計期間", head, "CENTER");
        text(1800, 325, "データフォルダ", head, "LEFT");
    }
    e.WriteLine(150, 390, m_right, 390, 4, 0, colour, false);
    e.WriteLine(150, m_bottom, m_right, m_bottom, 4, 0, colour, false);
    m_line = 1;
    ++m_page;
}

void TPrDataList::writeLine(const TDataListRec& rec, int number, bool withNumber)
{
    print::TVellum48& e = *Engine;
    const std::string f = font();
    const int size = PrintRec.BodyFontSize;
    const auto text = [&](int x, const std::string& s, const char* align) {
        e.WriteText(x, m_y, s, f, size, "", "黒", "OFF", align, 0);
    };
    const bool landscape = ListOrientation == 1;
    if (withNumber)
        text(170, format3(number), "LEFT");
    if (landscape)
        text(250, rec.DATACODE, "LEFT");
    text(landscape ? 450 : 250, rec.DispName, "LEFT");
    const int yearX = landscape ? 1250 : 1050;
    const int periodX = landscape ? 1550 : 1350;
    if (rec.ENTTEXT.empty()) {
        text(yearX, "", "LEFT");
        text(periodX, "", "LEFT");
    } else if (rec.NENDO < 1) {
        text(yearX, "", "CENTER");
        text(periodX, "", "CENTER");
    } else {
        text(yearX, std::to_string(rec.NENDO) + " 期", "CENTER");
        text(periodX, rec.KikanText, "CENTER");
    }
    text(landscape ? 1800 : 1600, folderText(rec.PASNAME), "LEFT");
}

void TPrDataList::separator()
{
    if (m_line < m_linesPerPage)
        Engine->WriteLine(150, m_y + 34, m_right, m_y + 34, 0, 2,
                          std::to_string(Engine->UserColor1), false);
}

void TPrDataList::PrintOut(bool Print)
{
    PrintRec.BodyFontSize = 9;
    m_page = 1;
    m_line = 0;
    const bool landscape = ListOrientation == 1;
    m_linesPerPage = landscape ? 35 : 55;
    m_right = landscape ? 2820 : 2000;
    m_bottom = landscape ? 1945 : 2820;

    print::TVellum48& e = *Engine;
    e.Title = "印刷プレビュー";
    const std::string folder = platform::workFolder(SystemDef.WinTempFolder);
    e.DataFile = folder + (folder.find('\\') != std::string::npos ? "\\" : "/") + "データリスト.TMP";
    e.FormFile.clear();
    e.PaperSize = 9;
    e.Orientation = ListOrientation;
    e.TopMargin = 0;
    e.LeftMargin = 0;
    e.setZoom(10);
    e.UserColor1 = 0;
    e.UserColor2 = 0;
    e.NetColor1 = static_cast<print::TColor>(SystemDef.NetColor1);
    e.NetColor2 = static_cast<print::TColor>(SystemDef.NetColor2);
    print::AdjustMonoPrintColor(PrintRec.ColorPrint, e);
    e.PrintFom = false;
    e.ModeSw = false;
    e.Permit = true;

    try {
        e.OpenDataFile(true);
        e.WriteHeader();
        if (DispOrder && ListData) {
            int i = 0;
            for (const int index : *DispOrder) {
                ++i;
                if (index < 0 || index >= static_cast<int>(ListData->size()))
                    continue;
                const TDataSentakuRec& entry = (*ListData)[static_cast<std::size_t>(index)];
                PrintPageHeader();
                m_y = 361 + 44 * m_line;
                writeLine(entry, ListKind == 0 ? entry.REC : i, true);
                separator();
                for (const TDataListRec& child : entry.Children) {
                    PrintPageHeader();
                    m_y = 361 + 44 * m_line;
                    writeLine(child, 0, false);
                    separator();
                }
            }
        }
    } catch (...) {
        try {
            e.CloseDataFile();
        } catch (const std::exception&) {
        }
        // A half-written report is of no use to anyone.
        try {
            if (!e.DataFile.empty() && platform::files::fileExists(e.DataFile))
                platform::files::removeFile(e.DataFile);
        } catch (const std::exception&) {
        }
        throw;
    }
    e.CloseDataFile();
    if (Print)
        e.Print();
    else
        e.Preview();
}

int DataListPrint(QWidget* owner, int listKind, const TDataSentakuRecArray& data,
                  const TDataSentakuRecDispArray& order)
{
    print::TDefaultPrintRec rec;
    print::TDataSentakuPrintDlg dialog(owner);
    print::TPrintDlgBox::InitDefaultPrintRec(rec);
    rec.ReportName = "DataSentakuList";
    dialog.PrintRec = &rec;
    dialog.TitleText = "データリストの印刷";
    dialog.MessageText = "データリストを印刷します。";
    dialog.ShowPreviewButton = true;
    SetControlHint(&dialog, QStringLiteral("［OK］を押すとﾃﾞｰﾀ選択ﾘｽﾄの印刷を実行します。"
                                           "印刷ｲﾒｰｼﾞを確認する場合は［ﾌﾟﾚﾋﾞｭｰ］を押します。"));
    dialog.Prepare(1);
    if (platform::execDialog(dialog) != platform::mrOk || dialog.PrintAction == 0)
        return 0;
    const int action = dialog.PrintAction;
    try {
        TPrDataList report;
        report.ListKind = listKind;
        report.PrintRec = rec;
        report.ListData = &data;
        report.DispOrder = &order;
        report.ListOrientation = dialog.PaperOrientation;
        report.PrintOut(action == 1);
    } catch (const std::exception& e) {
        platform::messageBox(std::string("データリストを印刷できません。\r") + e.what(), "",
                             platform::MB_OK | platform::MB_ICONERROR);
    }
    return action;
}
