// The data-selection dialog over a real system database and data folders, driven by keys.
#include "DataSelectionFixture.h"

#include <QScreen>

namespace paths = platform::paths;
using seltest::DataSelectionDialogTest;
using seltest::kWizardLines;
using seltest::rowOf;
using seltest::slotFolder;


TEST_F(DataSelectionDialogTest, TheWizardsLinesListTypeTwoMajorEightWithBareFunctionKeys)
{
    SystemDef.DataDir = slotFolder(1);
    auto box = dialog(kWizardLines);
    EXPECT_EQ(box->SyoriType, 3);
    int result = -9;
    QSize fitted;
    m_messages.onDialog([&](QDialog& d) {
        EXPECT_EQ(&d, box.get());
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        // The design size 1012 x 648, fitted to the test screen (800 wide), is what closing keeps.
        fitted = QSize(1012, 648).boundedTo(d.screen()->availableGeometry().size()
                                            - (d.frameGeometry().size() - d.size()));
        std::vector<int> expected = {1, 2};
        for (int r : range(8, 80))
            expected.push_back(r);
        EXPECT_EQ(listed(*box), expected);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("データ選択"));
        auto& g = *box->PerfectGrid1();
        const char* headers[] = {"No", "コード", "データ名  ", "会計年度", "会計期間", "データフォルダ", "バージョン", "鍵", "共有"};
        for (int c = 0; c < 9; ++c)
            EXPECT_EQ(g.headerText(c).toStdString(), std::string(headers[c]) + (c == 0 ? "▲" : ""));
        for (int c = 0; c < 17; ++c)
            EXPECT_EQ(g.isColumnHidden(c), !(c <= 6 || c == 8)) << c;
        std::vector<std::string> first;
        for (int c = 0; c <= 6; ++c)
            first.push_back(g.model().cellText(0, c).toStdString());
        EXPECT_EQ(first, (std::vector<std::string>{"1", "C001", "A社", "5 期", g.model().cellText(0, 4).toStdString(),
                                                   "~\\DATA\\0001", "Ver8.0.0"}));
        EXPECT_FALSE(g.model().cellText(0, 4).isEmpty());
        const char* captions[] = {"ESC:ｷｬﾝｾﾙ", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F12:選択"};
        for (int k = 0; k < fkCount; ++k) {
            EXPECT_EQ(box->FunctionKey(k)->CaptionA().Caption().toStdString(), captions[k]);
            EXPECT_EQ(box->FunctionKey(k)->isEnabled(), k == fkEsc || k == fkF12) << k;
        }
        for (QWidget* w : std::initializer_list<QWidget*>{box->btnSearch(), box->btnSearchCancel(),
                                                          box->btnKyoyuDataDown(), box->btnKyoyuDataUp()})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(box->btnDataInfo()->isEnabled()) << "情報 works in standalone use";
        EXPECT_TRUE(box->btnListUpdate()->isEnabled()) << "更新 works in standalone use";
        EXPECT_TRUE(box->cboxKyoyuDataAuto()->isEnabled()) << "its work is built";
        EXPECT_TRUE(box->HintArea()->toPlainText().startsWith(QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\n空白行は選択できません。")));
        saveShot(d, "data-selection-wizard");
        // Esc ends with 2.
        box->SortColumn = 2;
        box->SortDescending = true;
        key(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        return d.result();
    });
    SystemDef.GridMaxRow = 77; // stands for any setting changed while the dialog was open
    result = box->Execute(true);
    EXPECT_EQ(result, platform::mrCancel);
    EXPECT_TRUE(m_messages.boxes().size() == 1) << "only the dialog itself";
    EXPECT_EQ(SystemDef.DataDir, slotFolder(1)) << "the open data set is kept";
    EXPECT_EQ(rows("SELECT SORTCOL, SORTTYPE FROM KENSAKUJYOKEN WHERE OPCODE=100000011 AND LISTTYPE=0"),
              (std::vector<std::string>{"1|1"}));
    EXPECT_EQ(rows("SELECT GRIDMAXROW FROM SYSDEF WHERE OPCODE=100000011"), (std::vector<std::string>{"77"}));
    EXPECT_EQ(rows("SELECT FMNAME, FMWIDTH, FMHEIGHT FROM FORMRSIZE"),
              (std::vector<std::string>{"DataSentakuBox|" + std::to_string(fitted.width()) + "|" +
                                        std::to_string(fitted.height())}));
}

TEST_F(DataSelectionDialogTest, ProcessingTypeParameter)
{
    struct Case {
        std::vector<std::string> lines;
        int type;
    };
    const Case cases[] = {
        {{"SyoriType=x"}, 0}, {{"SyoriType=-1"}, 0}, {{"SyoriType=5"}, 5},
        {{"syoritype=4", "SyoriType=2"}, 4}, {{}, 0},
    };
    for (const auto& c : cases) {
        auto box = dialog(c.lines);
        EXPECT_EQ(box->SyoriType, c.type) << (c.lines.empty() ? "" : c.lines[0]);
    }
    TDataSentakuBox box;
    try {
        box.SetParams({"SyoriType=7"});
        ADD_FAILURE() << "type 7 must fail the launch";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "処理タイプに範囲外の値が設定されました。");
    }
}

TEST_F(DataSelectionDialogTest, TheFirstFormStyleLineWins)
{
    auto normal = dialog({"FormStyle=2", "FormStyle=0"});
    EXPECT_EQ(normal->FormStyle, 2);
    EXPECT_FALSE(normal->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    auto onTop = dialog({"FormStyle=7", "FormStyle=2"});
    EXPECT_TRUE(onTop->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(DataSelectionDialogTest, LaunchConditionsFilterTheList)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::vector<int> recs;
    };
    std::vector<int> typeTwoMajorEight = {1, 2};
    for (int r : range(8, 80))
        typeTwoMajorEight.push_back(r);
    std::vector<int> notLowerThanEight = {1, 2, 4, 6};
    for (int r : range(8, 80))
        notLowerThanEight.push_back(r);
    const Case cases[] = {
        {"wizard", kWizardLines, typeTwoMajorEight},
        {"types 1 and 3", {"SyoriType=0", "JyokenSet=1", "DataType=-13"}, {4, 6}},
        // Text comparison: "10.0" sorts below "8.0".
        {"8.0 or more", {"JyokenSet=1", "DataVerMore=8.0"}, notLowerThanEight},
        {"last version line wins", {"JyokenSet=1", "DataVer=7.0", "DataVerMajor=10"}, {7}},
        {"type and code", {"JyokenSet=1", "DataType=1", "CodeType=1"}, {4}},
        {"conditions need JyokenSet", {"DataType=1"}, range(1, 120)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto box = dialog(c.lines);
        box->StartDialog();
        EXPECT_EQ(listed(*box), c.recs);
    }
}

TEST_F(DataSelectionDialogTest, UpdateProhibitedOldRowsAreGreyAndDamagedRowsRed)
{
    auto box = dialog({"SyoriType=0"});
    box->StartDialog();
    auto& m = box->PerfectGrid1()->model();
    ASSERT_EQ(m.cellNumber(2, 0), 3);
    EXPECT_EQ(m.cellNumber(2, 12), 1) << "7.0.4 is older than the newest company step";
    EXPECT_EQ(m.rowTextColor(2), 0x808080u);
    EXPECT_EQ(m.rowActiveTextColor(2), 0x808080u);
    ASSERT_EQ(m.cellNumber(1, 0), 2);
    EXPECT_EQ(m.rowBackColor(1), 0x0000FFu);
    EXPECT_EQ(m.rowActiveTextColor(1), platform::clWindowText);
    EXPECT_EQ(m.cellNumber(1, 16), 1);
    // Other rows alternate between the standalone colours; the current row's text is 0x246BFF.
    EXPECT_EQ(m.rowBackColor(3), 0xE1F0FFu);
    EXPECT_EQ(m.rowBackColor(4), 0xFFFFFFu);
    EXPECT_EQ(m.rowActiveTextColor(4), 0x246BFFu);
    EXPECT_EQ(m.cellNumber(0, 12), 0);
    // Empty slots show no year and "～" for the period.
    const int empty = m.rowCount() - 1;
    EXPECT_EQ(m.cellNumber(empty, 0), 120);
    EXPECT_EQ(m.cellText(empty, 3), QString());
    EXPECT_EQ(m.cellText(empty, 4), QStringLiteral("～"));
    EXPECT_EQ(m.cellText(empty, 11), QString());
}

TEST_F(DataSelectionDialogTest, TheOpenDataSetIsCurrentWithSixRowsAboveIt)
{
    SystemDef.DataDir = slotFolder(40);
    auto box = dialog(kWizardLines);
    m_messages.onDialog([&](QDialog& d) {
        QCoreApplication::processEvents();
        auto& g = *box->PerfectGrid1();
        EXPECT_EQ(g.currentRow(), 34);
        EXPECT_EQ(g.model().cellNumber(34, 0), 40);
        EXPECT_EQ(g.topRow(), 28);
        EXPECT_TRUE(g.hasFocus());
        saveShot(d, "data-selection-current-row");
        key(d, Qt::Key_Escape);
        return d.result();
    });
    EXPECT_EQ(box->Execute(true), platform::mrCancel);
}

TEST_F(DataSelectionDialogTest, EscAfterThePreviousDataSetWasDeleted)
{
    SystemDef.DataDir = slotFolder(40);
    auto box = dialog(kWizardLines);
    m_messages.onDialog([&](QDialog& d) {
        std::filesystem::remove_all(paths::toNative(slotFolder(40)));
        key(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        return d.result();
    });
    m_messages.expectBox("前回、選択したデータは削除されています。");
    EXPECT_EQ(box->Execute(true), platform::mrCancel);
    std::vector<std::string> texts;
    for (const auto& b : m_messages.boxes())
        if (b.kind != "dialog")
            texts.push_back(b.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"前回、選択したデータは削除されています。\r"}));
    EXPECT_TRUE(box->ChosenFolder.empty());
    EXPECT_EQ(rows("SELECT COUNT(*) FROM FORMRSIZE"), (std::vector<std::string>{"1"}));
}

TEST_F(DataSelectionDialogTest, EscWhileThePreviousDataSetIsInUseShowsItsState)
{
    makeFolder(40, 2, 100000012, "山田");
    SystemDef.DataDir = slotFolder(40);
    auto box = dialog(kWizardLines);
    std::vector<std::string> shown;
    std::string caption;
    m_messages.onDialog([&](QDialog& d) {
        key(d, Qt::Key_Escape);
        return d.result();
    });
    m_messages.onDialog([&](QDialog& d) {
        auto* state = dynamic_cast<TMessageBox*>(&d);
        EXPECT_NE(state, nullptr);
        if (!state)
            return int(platform::mrCancel);
        caption = d.windowTitle().toStdString();
        shown = state->MsgLines;
        shown.push_back(state->MsgText);
        EXPECT_FALSE(state->btnOK()->isVisible());
        saveShot(d, "data-selection-state-box");
        state->btnCancel()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_EQ(box->Execute(true), platform::mrCancel);
    EXPECT_EQ(caption, "選択データの状態");
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "【データフォルダ】", "　C:\\ZAIMU\\DATA\\0040", "", "【オペレータ】", "　12", "",
                         "【オペレータ名】", "　山田",
                         "このデータは、使用中のため処理が行えません。\r前回、異常終了した場合は情報ボタンを押してデータの状態をクリアして下さい。"}));
    EXPECT_TRUE(box->ChosenFolder.empty());
}

TEST_F(DataSelectionDialogTest, AnEmptyFolderHasNoData)
{
    auto box = dialog(kWizardLines);
    box->StartDialog();
    m_messages.expectBox("このフォルダには財務データがありません。");
    EXPECT_EQ(box->CheckChosenFolder(slotFolder(100)), -1);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text, "このフォルダには財務データがありません。\r");
    EXPECT_EQ(box->CheckChosenFolder("　 "), -2) << "type 3 answers a blank path quietly";
    EXPECT_EQ(box->CheckChosenFolder(slotFolder(1)), 1);
    auto typeZero = dialog({"SyoriType=0"});
    EXPECT_THROW(typeZero->CheckChosenFolder(""), std::runtime_error);
}

TEST_F(DataSelectionDialogTest, ClosingFreesTheDialogUnlessManualFree)
{
    QPointer<TDataSentakuBox> freed = new TDataSentakuBox;
    freed->SetParams(kWizardLines);
    QPointer<TDataSentakuBox> kept = new TDataSentakuBox;
    kept->SetParams({"SyoriType=3", "ManualFree=1"});
    for (TDataSentakuBox* box : {freed.data(), kept.data()}) {
        m_messages.onDialog([](QDialog& d) {
            // A freed dialog may be gone once the keys were handled: take the result as it ends.
            auto result = std::make_shared<int>(-1);
            QObject::connect(&d, &QDialog::finished, [result](int r) { *result = r; });
            key(d, Qt::Key_Escape);
            return *result;
        });
        EXPECT_EQ(box->Execute(true), platform::mrCancel);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(freed.isNull());
    ASSERT_FALSE(kept.isNull());
    delete kept.data();
}

TEST(DataSelectionFolders, TheDataRootShowsAsTilde)
{
    EXPECT_EQ(selection::shownDataFolder("C:\\ZAIMU\\DATA\\0001", "C:\\ZAIMU"), "~\\DATA\\0001");
    EXPECT_EQ(selection::shownDataFolder("c:\\zaimu\\DATA\\0001", "C:\\ZAIMU"), "~\\DATA\\0001");
    EXPECT_EQ(selection::shownDataFolder("D:\\X\\C:\\ZAIMU\\C:\\ZAIMU", "C:\\ZAIMU"), "D:\\X\\~\\~");
    EXPECT_EQ(selection::shownDataFolder("D:\\OTHER", ""), "D:\\OTHER");
}


TEST_F(DataSelectionDialogTest, F12ChoosesAPresentDataSetAndRefusesTheOthers)
{
    makeFolder(40, 2, 100000012, "山田");
    makeFolder(3, 1);
    struct Case {
        std::vector<std::string> lines;
        int rec;
        bool chosen;
        std::vector<std::string> texts; // message boxes shown
        bool stateBox;
    };
    const Case cases[] = {
        {kWizardLines, 1, true, {}, false},
        {kWizardLines, 8, false, {"このフォルダには財務データがありません。\r"}, false},
        {kWizardLines, 40, false, {}, true},
        // The grey row whose update is prohibited: the wizard's type takes it.
        {{"SyoriType=3"}, 3, true, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rec);
        SystemDef.DataDir.clear();
        m_messages.clear();
        auto box = dialog(c.lines);
        bool sawState = false;
        int afterF12 = -1;
        m_messages.onDialog([&](QDialog& d) {
            QCoreApplication::processEvents();
            const int row = rowOf(*box, c.rec);
            EXPECT_GE(row, 0) << "not listed";
            box->PerfectGrid1()->setCurrentRow(row);
            key(d, Qt::Key_F12);
            afterF12 = d.isVisible() ? 0 : d.result();
            if (d.isVisible())
                key(d, Qt::Key_Escape);
            return d.result();
        });
        if (c.stateBox) {
            m_messages.onDialog([&](QDialog& d) {
                sawState = dynamic_cast<TMessageBox*>(&d) != nullptr;
                d.reject();
                return int(platform::mrCancel);
            });
        }
        for (const auto& t : c.texts)
            m_messages.expectBox(t);
        const int result = box->Execute(true);
        std::vector<std::string> texts;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog")
                texts.push_back(b.text);
        if (c.chosen) {
            EXPECT_EQ(result, platform::mrOk);
            EXPECT_EQ(afterF12, platform::mrOk);
            EXPECT_EQ(SystemDef.DataDir, slotFolder(c.rec));
        } else {
            EXPECT_EQ(afterF12, 0) << "the dialog must stay open";
            EXPECT_EQ(result, platform::mrCancel);
            EXPECT_TRUE(box->ChosenFolder.empty());
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(sawState, c.stateBox);
    }
}

TEST_F(DataSelectionDialogTest, F12OnADamagedDataSetMarksItsRowRed)
{
    SystemDef.DataHasonCheck = 1;
    DataHasonProc = [](const std::string&, const std::string&, int) {
        SystemDef.DataBroken = 1;
        return 0;
    };
    auto box = dialog(kWizardLines);
    int status = -1;
    long long cell = -1;
    platform::TColor back = 0;
    bool open = false;
    m_messages.onDialog([&](QDialog& d) {
        QCoreApplication::processEvents();
        const int row = rowOf(*box, 1);
        box->PerfectGrid1()->setCurrentRow(row);
        key(d, Qt::Key_F12);
        open = d.isVisible();
        const TDataListRec* rec = box->GetRowRec(row);
        status = rec ? rec->DATA_STATUS : -1;
        cell = box->PerfectGrid1()->model().cellNumber(row, 16);
        back = box->PerfectGrid1()->model().rowBackColor(row);
        saveShot(d, "data-selection-damaged-row");
        key(d, Qt::Key_Escape);
        return d.result();
    });
    box->Execute(true);
    DataHasonProc = nullptr;
    EXPECT_TRUE(open);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cell, 1);
    EXPECT_EQ(back, 0x0000FFu);
    EXPECT_TRUE(SystemDef.DataDir.empty());
}

TEST(DataListSearchKinds, IndexAndConditionBothWaysWithAndWithoutOptionBlind)
{
    EXPECT_EQ(selection::dataKindLines(false).size(), 7);
    const QStringList blind = selection::dataKindLines(true);
    EXPECT_EQ(blind, (QStringList{"選択なし", "法人", "個人(一般)", "個人(不動産)", "個人(農業)"}));
    struct Case {
        int dataType, codeType;
        int index, blindIndex;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {1, 7, 1, 1}, {2, 1, 2, 2}, {2, 2, 3, 3}, {3, 2, 4, 0}, {2, 3, 5, 0}, {2, 4, 6, 4}, {2, 9, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(selection::indexOfDataKind(c.dataType, c.codeType, false), c.index) << c.dataType << "," << c.codeType;
        EXPECT_EQ(selection::indexOfDataKind(c.dataType, c.codeType, true), c.blindIndex) << c.dataType << "," << c.codeType;
    }
    EXPECT_EQ(selection::dataKindOfIndex(4, false), std::make_pair(3, 1));
    EXPECT_EQ(selection::dataKindOfIndex(4, true), std::make_pair(2, 4));
    EXPECT_EQ(selection::dataKindOfIndex(5, true), std::make_pair(0, 0));
}

TEST_F(DataSelectionDialogTest, SearchDialogShowsTheConditionsAndOkTakesThemBack)
{
    TDataListKensakuBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("検索条件の設定"));
    QStringList persons;
    for (int i = 0; i < box.cmbTanto()->count(); ++i)
        persons << box.cmbTanto()->itemText(i);
    EXPECT_EQ(persons, (QStringList{"選択なし", "10:管理者", "11:担当　花子"}));
    ASSERT_GT(box.cmbVersion()->count(), 0);
    EXPECT_EQ(box.cmbVersion()->itemText(0), QStringLiteral("選択なし"));

    box.Conditions.OPCODE = 100000011;
    box.Conditions.SORTCOL = 3;
    box.Conditions.SORTTYPE = 1;
    box.Conditions.DATATYPE = 2;
    box.Conditions.CODETYPE = 2;
    box.Conditions.DATACODE = "C0";
    box.Conditions.DATANAME = "商店";
    box.Conditions.TANTO = 11;
    box.Conditions.JYOKENUSE = 1;
    box.Prepare(1);
    EXPECT_EQ(box.cmbDataKind()->currentText(), QStringLiteral("個人(不動産)"));
    EXPECT_EQ(box.cmbTanto()->currentText(), QStringLiteral("11:担当　花子"));
    EXPECT_TRUE(box.chkAlways()->isChecked());
    box.show();
    QCoreApplication::processEvents();
    saveShot(box, "data-list-search");
    box.btnOK()->Click();
    EXPECT_EQ(box.Conditions.TANTO, 11);
    EXPECT_EQ(box.Conditions.DATACODE, "C0");
    EXPECT_EQ(box.Conditions.SORTCOL, 3) << "the caller's sort is kept";
    EXPECT_EQ(box.Conditions.DATAVER, "");

    // A person who is no longer listed shows as 選択なし, and OK clears the condition.
    box.Conditions.TANTO = 99;
    box.Conditions.SEIHINNAME = "消えた版";
    box.Prepare(1);
    EXPECT_EQ(box.cmbTanto()->currentIndex(), 0);
    EXPECT_EQ(box.cmbVersion()->currentIndex(), 0);
    box.btnOK()->Click();
    EXPECT_EQ(box.Conditions.TANTO, 0);
    EXPECT_EQ(box.Conditions.SEIHINNAME, "選択なし");
}

TEST_F(DataSelectionDialogTest, F8PrintsTheListShownOrPreviewsIt)
{
    const std::filesystem::path docs = m_root.path() / "Documents";
    std::filesystem::create_directories(docs);
    ::setenv("ZETRINO_DOCUMENTS_DIR", docs.c_str(), 1);
    ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
    SystemDef.WinTempFolder = m_root.str();
    auto box = dialog({"SyoriType=0"});
    box->StartDialog();
    const int rows = box->PerfectGrid1()->rowCount();
    ASSERT_GT(rows, 0);
    EXPECT_EQ(box->FunctionKey(fkF8)->CaptionA().Caption().toStdString(), "F8:印刷");
    const int pages = (rows + 54) / 55; // 55 lines a page in portrait
    const std::string where = "1/" + std::to_string(pages);

    // F8, 縦, プレビュー.
    std::string shown;
    m_messages.onDialog([&](QDialog& d) {
        auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d);
        EXPECT_NE(options, nullptr);
        if (!options)
            return int(platform::mrCancel);
        EXPECT_EQ(d.windowTitle().toStdString(), "データリストの印刷");
        saveShot(d, "data-list-print-options");
        options->portraitButton()->click();
        options->previewButton()->click();
        return int(platform::mrOk);
    });
    m_messages.onDialog([&](QDialog& d) {
        auto* preview = qobject_cast<print::TImageDispForm*>(&d);
        EXPECT_NE(preview, nullptr);
        if (preview) {
            preview->activateWindow();
            QCoreApplication::processEvents();
            shown = preview->wherePage()->text().toStdString();
        }
        return 0;
    });
    box->FunctionKey(fkF8)->Click();
    EXPECT_EQ(shown, where);

    // F8, OK, the print dialog into a PDF.
    const std::string pdf = (docs / "list.pdf").string();
    m_messages.onDialog([&](QDialog& d) {
        if (auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d))
            options->okButton()->click();
        return int(platform::mrOk);
    });
    m_messages.onDialog([&](QDialog& d) {
        auto* pd = qobject_cast<QPrintDialog*>(&d);
        EXPECT_NE(pd, nullptr);
        if (pd)
            pd->printer()->setOutputFileName(QString::fromStdString(pdf));
        return int(QDialog::Accepted);
    });
    m_messages.expectBox("PDF ファイルに出力しました。");
    box->FunctionKey(fkF8)->Click();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    ASSERT_TRUE(info.waitForFinished(60000)) << "pdfinfo could not run";
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000)) << "pdftotext could not run";
    const QString all = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(all.contains(QStringLiteral("データリスト")));
    // pdftotext rebuilds blanks from glyph gaps, so the four-place number is matched loosely.
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral("PAGE +1\\b")))) << all.left(400).toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("A社")));
    print::StopReportEngine();
    ::unsetenv("ZETRINO_DOCUMENTS_DIR");
}

TEST_F(DataSelectionDialogTest, HeaderClicksSortByTheColumnAndReverseOnTheSecondClick)
{
    SystemDef.DataDir = slotFolder(1);
    auto box = dialog(kWizardLines);
    std::vector<std::string> ascending;
    m_messages.onDialog([&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        auto& g = *box->PerfectGrid1();
        auto names = [&] {
            std::vector<std::string> out;
            for (int r = 0; r < g.rowCount(); ++r)
                out.push_back(platform::text::toCp932(g.model().cellText(r, 2).toStdString()));
            return out;
        };
        auto clickHeader = [&](int col) {
            QHeaderView* h = g.horizontalHeader();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                              QPoint(h->sectionViewportPosition(col) + 5, h->height() / 2));
            QCoreApplication::processEvents();
        };
        clickHeader(2);
        EXPECT_EQ(g.headerText(2).toStdString(), "データ名  ▲");
        EXPECT_EQ(g.headerText(0).toStdString(), "No");
        EXPECT_EQ(g.currentRow(), 0);
        ascending = names();
        EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end())) << "byte order of the names";
        clickHeader(2);
        EXPECT_EQ(g.headerText(2).toStdString(), "データ名  ▼");
        std::vector<std::string> descending = names();
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(descending, ascending);
        // A column that is not shown sorts nothing.
        box->HeaderSortClick(7);
        EXPECT_EQ(g.headerText(2).toStdString(), "データ名  ▼");
        EXPECT_EQ(box->SortColumn, 2);
        saveShot(d, "DataSelectionSortedByName");
        key(d, Qt::Key_Escape);
        return d.result();
    });
    box->Execute(true);
    EXPECT_EQ(ascending.size(), 75u);
    // The name column is kept as stored sort column 1, descending.
    EXPECT_EQ(rows("SELECT SORTCOL, SORTTYPE FROM KENSAKUJYOKEN WHERE OPCODE=100000011 AND LISTTYPE=0"),
              (std::vector<std::string>{"1|1"}));
}

TEST_F(DataSelectionDialogTest, TypedCodesJumpToTheirRowAfterAPause)
{
    SystemDef.DataDir = slotFolder(1);
    auto box = dialog(kWizardLines);
    m_messages.onDialog([&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        auto& g = *box->PerfectGrid1();
        g.setFocus();
        auto* searchBox = d.findChild<QLineEdit*>(QStringLiteral("IncSerchEdit"));
        EXPECT_NE(searchBox, nullptr);
        if (!searchBox)
            return int(platform::mrCancel);
        auto type = [&](const char* keys) {
            for (const char* k = keys; *k; ++k)
                QTest::keyClick(&g, *k);
        };
        // From the last row the search wraps to the top and finds "C002".
        g.setCurrentRow(g.rowCount() - 1);
        type("c002");
        EXPECT_TRUE(searchBox->isVisible());
        EXPECT_EQ(searchBox->text().toStdString(), "C002");
        saveShot(d, "DataSelectionIncrementalSearch");
        QTest::qWait(1300);
        EXPECT_EQ(g.currentRow(), 1);
        EXPECT_FALSE(searchBox->isVisible());

        // Nothing after row 1 starts with "C00": the search wraps round to row 0.
        type("C00");
        QTest::qWait(1300);
        EXPECT_EQ(g.currentRow(), 0);

        // A ninth character is ignored.
        type("123456789");
        EXPECT_EQ(searchBox->text().toStdString(), "12345678");
        QTest::qWait(1300);
        EXPECT_EQ(g.currentRow(), 0) << "no code starts with 12345678";
        key(d, Qt::Key_Escape);
        return d.result();
    });
    EXPECT_EQ(box->Execute(true), platform::mrCancel) << "the dialog opened and Esc closed it";
}

TEST(IncrementalSearchKeys, KeyTable)
{
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        char ch;
    } cases[] = {{Qt::Key_5, {}, '5'},          {Qt::Key_5, Qt::KeypadModifier, '5'},
                 {Qt::Key_Q, {}, 'Q'},          {Qt::Key_Asterisk, Qt::KeypadModifier, '*'},
                 {Qt::Key_Slash, Qt::KeypadModifier, '/'}, {Qt::Key_Colon, {}, ':'},
                 {Qt::Key_Asterisk, Qt::ShiftModifier, ':'}, {Qt::Key_At, {}, '@'},
                 {Qt::Key_Comma, {}, ','},      {Qt::Key_Backslash, {}, '\\'},
                 {Qt::Key_Exclam, Qt::ShiftModifier, '1'}, {Qt::Key_F5, {}, 0},
                 {Qt::Key_Space, {}, 0}};
    for (const auto& c : cases) {
        const QChar got = selection::incrementalSearchChar(c.key, c.mods);
        EXPECT_EQ(got.isNull() ? 0 : char(got.unicode()), c.ch) << std::hex << c.key;
    }
}

TEST_F(DataSelectionDialogTest, TheAutomaticShareOptionIsSavedWithTheOperator)
{
    SystemDef.DataDir = slotFolder(1);
    auto box = dialog(kWizardLines);
    box->StartDialog();
    box->show();
    QApplication::setActiveWindow(box.get());
    QCoreApplication::processEvents();
    auto* option = box->cboxKyoyuDataAuto();
    ASSERT_TRUE(option->isVisible());
    ASSERT_TRUE(option->isEnabled());
    EXPECT_FALSE(option->isChecked());
    const std::string reserve2 =
        "SELECT BIN_AND(RESERVE2, 1) FROM SYSDEF WHERE OPCODE=" + std::to_string(SystemDef.LoginId);

    option->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(SystemDef.Reserve2Flag1, 1);
    EXPECT_EQ(rows(reserve2), std::vector<std::string>{"1"});
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus());
    saveShot(*box, "TDataSentakuBox-automatic-share");

    option->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(SystemDef.Reserve2Flag1, 0);
    EXPECT_EQ(rows(reserve2), std::vector<std::string>{"0"});
    box->close();
}

// On a screen smaller than the dialog's design (the test screen is 800x600; run under Xvfb the
// grab is the screen itself) the dialog lies wholly on it, with ESC and F12 on the screen.
TEST_F(DataSelectionDialogTest, OnASmallScreenTheDialogAndItsKeysLieOnIt)
{
    auto box = dialog(kWizardLines);
    QRect area, frame, esc, f12;
    QString escCaption, f12Caption;
    m_messages.onDialog([&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        QTest::qWait(200);
        area = d.screen()->availableGeometry();
        frame = d.frameGeometry();
        auto* escKey = box->FunctionKey(fkEsc);
        auto* f12Key = box->FunctionKey(fkF12);
        esc = QRect(escKey->mapToGlobal(QPoint(0, 0)), escKey->size());
        f12 = QRect(f12Key->mapToGlobal(QPoint(0, 0)), f12Key->size());
        escCaption = escKey->CaptionA().Caption();
        f12Caption = f12Key->CaptionA().Caption();
        const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
        QDir().mkpath(dir);
        d.screen()->grabWindow(0).save(dir + QStringLiteral("/data-selection-small-screen.png"));
        saveShot(d, "data-selection-small-screen-dialog");
        key(d, Qt::Key_Escape);
        return d.result();
    });
    box->Execute(true);
    ASSERT_FALSE(area.isEmpty());
    ASSERT_LE(area.width(), 1024) << "the screen is not small";
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_TRUE(area.contains(esc));
    EXPECT_TRUE(area.contains(f12));
    EXPECT_EQ(escCaption, QStringLiteral("ESC:ｷｬﾝｾﾙ"));
    EXPECT_EQ(f12Caption, QStringLiteral("F12:選択"));
}
