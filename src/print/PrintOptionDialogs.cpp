// The print-option dialogs (general, data lists, report colours) and their STYLECOLOR rows.
#include "print/PrintOptionDialogs.h"

#include "firebird/DatabaseError.h"
#include "platform/MessageService.h"
#include "platform/Text.h"
#include "print/ReportComponent.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DisplayFormat.h"
#include "records/ProgramRecords.h"
#include "records/RememberedScreenValues.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <exception>

namespace print {

namespace {

constexpr const char* kReadFailed = "ユーザー別帳票色情報の取得に失敗しました。";
constexpr const char* kWriteFailed = "ユーザー別帳票色情報の更新に失敗しました。";

using platform::text::upperAscii;

// Starts the system database's transaction when none runs, and ends only what it started.
class SystemTransaction {
public:
    explicit SystemTransaction(firebird::Transaction& tr)
        : m_tr(tr)
        , m_here(!tr.inTransaction())
    {
        if (m_here)
            m_tr.start();
    }
    ~SystemTransaction()
    {
        if (m_here && m_tr.inTransaction()) {
            try {
                m_tr.rollback();
            } catch (const std::exception&) {
            }
        }
    }
    void commit()
    {
        if (m_here)
            m_tr.commit();
    }

private:
    firebird::Transaction& m_tr;
    bool m_here;
};

QString colourStyle(TColor c)
{
    return QStringLiteral("background-color: %1; border: 1px solid gray;")
        .arg(platform::toQColor(c).name());
}

} // namespace

std::vector<std::string> optionLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string optionText(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

std::string optionValue(const std::vector<std::string>& lines, const std::string& key)
{
    const std::string wanted = upperAscii(key);
    for (const std::string& l : lines) {
        const std::size_t eq = l.find('=');
        if (eq != std::string::npos && upperAscii(l.substr(0, eq)) == wanted)
            return l.substr(eq + 1);
    }
    return {};
}

void AdjustMonoPrintColor(int colorFlag, TVellum48& report)
{
    if (colorFlag == 1)
        return;
    report.OcrGreen = report.OcrBlue = report.OcrBrown = report.OcrOrange = report.OcrPink =
        report.OcrViolet = report.OcrPurple = 0;
    report.UserColor1 = 0;
    report.UserColor2 = 0;
    report.NetColor1 = static_cast<TColor>(ColorToGray(static_cast<int>(report.NetColor1)));
    report.NetColor2 = static_cast<TColor>(ColorToGray(static_cast<int>(report.NetColor2)));
}

// ---- TPrintDlgBox ------------------------------------------------------------------------

TPrintDlgBox::TPrintDlgBox(QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    KeepOnClose = 1;
    resize(360, 200);
    m_message = new QLabel(this);
    m_message->setGeometry(16, 12, 328, 20);
    m_colorLabel = new QLabel(QStringLiteral("印刷色:"), this);
    m_colorLabel->setGeometry(16, 44, 70, 22);
    m_mono = new QRadioButton(QStringLiteral("モノクロ"), this);
    m_mono->setGeometry(90, 44, 80, 22);
    m_colour = new QRadioButton(QStringLiteral("カラー"), this);
    m_colour->setGeometry(172, 44, 70, 22);
    m_mono->setChecked(true);
    m_colorButton = new QPushButton(QStringLiteral("色選択"), this);
    m_colorButton->setGeometry(252, 42, 88, 26);
    m_startLabel = new QLabel(QStringLiteral("開始ﾍﾟｰｼﾞ:"), this);
    m_startLabel->setGeometry(16, 84, 80, 22);
    m_startPage = new QLineEdit(QStringLiteral("1"), this);
    m_startPage->setGeometry(100, 84, 60, 22);
    m_startPage->setAlignment(Qt::AlignRight);
    m_duplex = new QCheckBox(QStringLiteral("両面印刷用に余白を調整する"), this);
    m_duplex->setGeometry(16, 122, 300, 22);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_preview = new QPushButton(QStringLiteral("プレビュー"), this);
    m_copy = new QPushButton(QStringLiteral("コピー"), this);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_ok->setDefault(true);
    for (QWidget* w : std::initializer_list<QWidget*>{m_colorLabel, m_mono, m_colour,
                                                       m_colorButton, m_startLabel, m_startPage,
                                                       m_duplex, m_preview, m_copy})
        w->hide();
    layoutButtons();
    connect(m_ok, &QPushButton::clicked, this, [this] { actionClick(1); });
    connect(m_preview, &QPushButton::clicked, this, [this] { actionClick(2); });
    connect(m_copy, &QPushButton::clicked, this, [this] { actionClick(3); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { setModalResult(platform::mrCancel); });
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        if (!PrintRec)
            return;
        TPrnColorSetBox box(this);
        box.ReportColors = ReportColors;
        box.SetLineColor1(PrintRec->LineColor1);
        box.SetLineColor2(PrintRec->LineColor2);
        box.SetNetColor1(PrintRec->NetColor1);
        box.SetNetColor2(PrintRec->NetColor2);
        box.SetFormPosition(0, 0, 2, 0, 0);
        box.Prepare(1);
        if (platform::execDialog(box) == platform::mrOk) {
            PrintRec->LineColor1 = box.LineColor1;
            PrintRec->LineColor2 = box.LineColor2;
            PrintRec->NetColor1 = box.NetColor1;
            PrintRec->NetColor2 = box.NetColor2;
            PutStyleColorRec();
        }
    });
    Initialized = 1;
}

void TPrintDlgBox::layoutButtons()
{
    const int y = height() - 48;
    m_ok->setGeometry(16, y, 76, 28);
    m_preview->setGeometry(100, y, 80, 28);
    m_copy->setGeometry(188, y, 76, 28);
    m_cancel->setGeometry(272, y, 76, 28);
}

void TPrintDlgBox::InitDefaultPrintRec(TDefaultPrintRec& rec)
{
    rec = TDefaultPrintRec{};
    rec.LineColor1 = static_cast<TColor>(SystemDef.PLineColor1);
    rec.LineColor2 = static_cast<TColor>(SystemDef.PLineColor2);
    rec.NetColor1 = static_cast<TColor>(SystemDef.NetColor1);
    rec.NetColor2 = static_cast<TColor>(SystemDef.NetColor2);
}

std::string TPrintDlgBox::styleName() const
{
    if (!PrintRec)
        return {};
    TGamenKeyValue key;
    key.Prefix = "020-";
    key.SetStyleName(PrintRec->ReportName);
    return key.StyleName;
}

void TPrintDlgBox::Prepare(int)
{
    LoadHints();
    ApplySettings();
}

void TPrintDlgBox::LoadHints() {}

void TPrintDlgBox::ApplySettings()
{
    PrintAction = 0;
    setWindowTitle(QString::fromStdString(TitleText));
    m_message->setText(QString::fromStdString(MessageText));
    if (MessageColor.isValid())
        m_message->setStyleSheet(QStringLiteral("color: %1;").arg(MessageColor.name()));
    m_colorLabel->setVisible(ShowColor);
    m_mono->setVisible(ShowColor);
    m_colour->setVisible(ShowColor);
    m_colorButton->setVisible(ShowColor);
    m_startLabel->setVisible(ShowStartPage);
    m_startPage->setVisible(ShowStartPage);
    m_duplex->setVisible(ShowDuplex);
    m_preview->setVisible(ShowPreviewButton);
    m_copy->setVisible(ShowCopyButton);
    if (!m_prepared) {
        m_prepared = true;
        int h = height();
        if (ShowColor)
            h = 250;
        if (ShowStartPage)
            h = 300;
        if (ShowDuplex)
            h = 300;
        resize(width(), h);
        layoutButtons();
    }
    GetStyleColorRec();
    HozonFukugen("Fukugen");
}

void TPrintDlgBox::HozonFukugen(const std::string& word)
{
    if (!PrintRec)
        return;
    const std::string w = upperAscii(word);
    if (w == "HOZON") {
        m_options.clear();
        if (ShowColor && PrintRec->ColorPrint == 1)
            m_options.push_back("C010=1");
        if (ShowDuplex && PrintRec->DuplexMargin)
            m_options.push_back("C020=1");
        PrintRec->OptionText = optionText(m_options);
    } else if (w == "FUKUGEN") {
        m_options = optionLines(PrintRec->OptionText);
        if (ShowColor && optionValue(m_options, "C010") == "1") {
            PrintRec->ColorPrint = 1;
            m_colour->setChecked(true);
        }
        if (ShowDuplex && optionValue(m_options, "C020") == "1") {
            PrintRec->DuplexMargin = true;
            m_duplex->setChecked(true);
        }
    }
}

void TPrintDlgBox::actionClick(int action)
{
    if (!PrintRec)
        return;
    PrintRec->ColorPrint = m_colour->isChecked() ? 1 : 0;
    bool ok = false;
    const int start = m_startPage->text().trimmed().toInt(&ok);
    // A start page is at least 1.
    PrintRec->StartPage = ok && start >= 1 ? start : 1;
    PrintRec->DuplexMargin = m_duplex->isChecked();
    HozonFukugen("Hozon");
    PrintAction = action;
    setModalResult(platform::mrOk);
}

void TPrintDlgBox::GetStyleColorRec()
{
    if (!ReportColors || !PrintRec || PrintRec->ReportName.empty())
        return;
    try {
        if (!DM)
            throw std::runtime_error("no system database");
        SystemTransaction tr(DM->IBTransactionDEF);
        DM->IBSQLDEF.setSql("SELECT LINECOLOR1,LINECOLOR2,NETCOLOR1,NETCOLOR2,SSTR FROM STYLECOLOR\n"
                            "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        DM->IBSQLDEF.setInt("OPCODE", SystemDef.LoginId);
        DM->IBSQLDEF.setString("STYLENAME", styleName());
        {
            firebird::Cursor c = DM->IBSQLDEF.open();
            while (c.fetch()) {
                const auto take = [&c](const char* column, TColor& into) {
                    const std::int64_t v = c.getInt64(column);
                    if (v != -1)
                        into = static_cast<TColor>(v);
                };
                take("LINECOLOR1", PrintRec->LineColor1);
                take("LINECOLOR2", PrintRec->LineColor2);
                take("NETCOLOR1", PrintRec->NetColor1);
                take("NETCOLOR2", PrintRec->NetColor2);
                PrintRec->OptionText = c.getString("SSTR");
            }
        }
        tr.commit();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TPrintDlgBox.GetStyleColorRec", kReadFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kReadFailed, e.what(), 1);
    }
}

void TPrintDlgBox::PutStyleColorRec()
{
    if (!ReportColors || !PrintRec || PrintRec->ReportName.empty())
        return;
    try {
        if (!DM)
            throw std::runtime_error("no system database");
        SystemTransaction tr(DM->IBTransactionDEF);
        firebird::Statement& q = DM->IBSQLDEF;
        const std::string style = styleName();
        q.setSql("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR\n"
                 "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.setInt("OPCODE", SystemDef.LoginId);
        q.setString("STYLENAME", style);
        std::int64_t count = 0;
        {
            firebird::Cursor c = q.open();
            if (c.fetch())
                count = c.getInt64("RECCNT");
        }
        if (count > 0)
            q.setSql("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,"
                     "LINECOLOR1=:LINECOLOR1,LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,"
                     "LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,"
                     "NETCOLOR2=:NETCOLOR2,SSTR=:SSTR\n"
                     "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            q.setSql("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,"
                     "LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)\n"
                     "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,"
                     ":LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        q.setInt("OPCODE", SystemDef.LoginId);
        q.setString("STYLENAME", style);
        const auto own = [](TColor mine, int environment) {
            return static_cast<int>(mine) == environment ? -1 : static_cast<int>(mine);
        };
        q.setInt("LINECOLOR1", own(PrintRec->LineColor1, SystemDef.PLineColor1));
        q.setInt("LINECOLOR2", own(PrintRec->LineColor2, SystemDef.PLineColor2));
        q.setInt("LINECOLOR3", -1);
        q.setInt("LINECOLOR4", -1);
        q.setInt("LINECOLOR5", -1);
        q.setInt("NETCOLOR1", own(PrintRec->NetColor1, SystemDef.NetColor1));
        q.setInt("NETCOLOR2", own(PrintRec->NetColor2, SystemDef.NetColor2));
        q.setString("SSTR", PrintRec->OptionText);
        q.execute();
        tr.commit();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TPrintDlgBox.PutStyleColorRec", kWriteFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kWriteFailed, e.what(), 1);
    }
}

void TPrintDlgBox::doClose(int result)
{
    hide();
    PutStyleColorRec();
    TBSDI::doClose(result);
}

bool TPrintDlgBox::event(QEvent* e)
{
    const bool handled = TBSDI::event(e);
    if (e->type() == QEvent::WindowActivate)
        m_ok->setFocus();
    return handled;
}

// ---- TDataSentakuPrintDlg ----------------------------------------------------------------

TDataSentakuPrintDlg::TDataSentakuPrintDlg(QWidget* parent)
    : TPrintDlgBox(parent)
{
    auto* label = new QLabel(QStringLiteral("用紙向き:"), this);
    label->setGeometry(16, 48, 80, 22);
    m_portrait = new QRadioButton(QStringLiteral("縦"), this);
    m_portrait->setGeometry(100, 48, 60, 22);
    m_landscape = new QRadioButton(QStringLiteral("横"), this);
    m_landscape->setGeometry(170, 48, 60, 22);
    auto* group = new QButtonGroup(this);
    group->addButton(m_portrait);
    group->addButton(m_landscape);
    m_portrait->setChecked(true);
}

void TDataSentakuPrintDlg::Prepare(int mode)
{
    ShowColor = false;
    ShowStartPage = false;
    ShowDuplex = false;
    TPrintDlgBox::Prepare(mode);
}

void TDataSentakuPrintDlg::ApplySettings()
{
    ReportColors = true;
    TPrintDlgBox::ApplySettings();
    PaperOrientation = 0;
    m_portrait->setChecked(true);
    bool ok = false;
    const int stored = QString::fromStdString(optionValue(m_options, "P010")).toInt(&ok);
    PaperOrientation = ok ? stored : 0;
    if (PaperOrientation == 1)
        m_landscape->setChecked(true);
}

void TDataSentakuPrintDlg::LoadHints()
{
    TPrintDlgBox::LoadHints();
    const QString orientation = QStringLiteral(
        "印刷帳票の用紙の向きを選択します。|印刷帳票の用紙の向きを選択します。\r\n"
        "[横]を選択したときに限り、帳票上にコード情報を出力します。");
    SetControlHint(m_portrait, orientation);
    SetControlHint(m_landscape, orientation);
    const QString preview = QStringLiteral("|[ﾌﾟﾚﾋﾞｭｰ]ﾎﾞﾀﾝを押すと画面上に印刷ｲﾒｰｼﾞを出力します。");
    SetControlHint(m_preview, preview);
    SetControlHint(m_ok, preview);
    SetControlHint(m_cancel, preview);
}

void TDataSentakuPrintDlg::actionClick(int action)
{
    PaperOrientation = m_landscape->isChecked() ? 1 : 0;
    TPrintDlgBox::actionClick(action);
    if (!PrintRec)
        return;
    m_options.push_back("P010=" + std::to_string(PaperOrientation));
    PrintRec->OptionText = optionText(m_options);
}

// ---- TPrnColorSetBox ---------------------------------------------------------------------

TPrnColorSetBox::TPrnColorSetBox(QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    KeepOnClose = 1;
    setWindowTitle(QStringLiteral("帳票色の選択"));
    resize(320, 250);
    const char* labels[4] = {"枠線:", "縦横線:", "見出し行:", "合計行:"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
        label->setGeometry(20, 20 + i * 36, 80, 24);
        m_panels[i] = new QFrame(this);
        m_panels[i]->setGeometry(104, 20 + i * 36, 100, 24);
        m_change[i] = new QPushButton(QStringLiteral("変更"), this);
        m_change[i]->setGeometry(216, 18 + i * 36, 80, 28);
        connect(m_change[i], &QPushButton::clicked, this, [this, i] { changeClick(i); });
    }
    m_link = new QLabel(this);
    m_link->setGeometry(20, 166, 200, 22);
    m_link->setCursor(Qt::PointingHandCursor);
    connect(m_link, &QLabel::linkActivated, this, [this] { resetClick(); });
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(130, 206, 80, 28);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setGeometry(216, 206, 80, 28);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        LineColor1 = m_panelColors[0];
        LineColor2 = m_panelColors[1];
        NetColor1 = m_panelColors[2];
        NetColor2 = m_panelColors[3];
        if (!ReportColors) {
            SystemDef.PLineColor1 = static_cast<int>(LineColor1);
            SystemDef.PLineColor2 = static_cast<int>(LineColor2);
            SystemDef.NetColor1 = static_cast<int>(NetColor1);
            SystemDef.NetColor2 = static_cast<int>(NetColor2);
            if (DM)
                DM->fnPutSysDef();
        }
        setModalResult(platform::mrOk);
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] { setModalResult(platform::mrCancel); });
    SetLineColor1(static_cast<TColor>(SystemDef.PLineColor1));
    SetLineColor2(static_cast<TColor>(SystemDef.PLineColor2));
    SetNetColor1(static_cast<TColor>(SystemDef.NetColor1));
    SetNetColor2(static_cast<TColor>(SystemDef.NetColor2));
    Initialized = 1;
}

void TPrnColorSetBox::setPanel(int i, TColor c)
{
    m_panelColors[i] = c;
    m_panels[i]->setStyleSheet(colourStyle(c));
}

void TPrnColorSetBox::SetLineColor1(TColor c)
{
    LineColor1 = c;
    setPanel(0, c);
}
void TPrnColorSetBox::SetLineColor2(TColor c)
{
    LineColor2 = c;
    setPanel(1, c);
}
void TPrnColorSetBox::SetNetColor1(TColor c)
{
    NetColor1 = c;
    setPanel(2, c);
}
void TPrnColorSetBox::SetNetColor2(TColor c)
{
    NetColor2 = c;
    setPanel(3, c);
}

void TPrnColorSetBox::Prepare(int) { ApplySettings(); }

void TPrnColorSetBox::ApplySettings()
{
    for (int i = 0; i < 4; ++i)
        setPanel(i, m_panelColors[i]);
    m_link->setText(QStringLiteral("<a href=\"reset\" style=\"color: blue;\">環境設定の色に戻す</a>"));
    m_link->setVisible(ReportColors);
    std::string text;
    if (DM)
        DM->GetStyleColor(SystemDef.LoginId, "Pallet_CustomColor", text);
    const std::vector<std::string> lines = optionLines(text);
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        const std::string key = std::string("Color") + static_cast<char>('A' + i);
        const std::string value = optionValue(lines, key);
        bool ok = false;
        const uint bgr = QString::fromStdString(value).toUInt(&ok, 16);
        QColorDialog::setCustomColor(i, platform::toQColor(ok ? bgr : 0xFFFFFFu));
    }
}

std::string TPrnColorSetBox::customColorText() const
{
    std::string text;
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "Color%c=%06X\r", 'A' + i,
                      static_cast<unsigned>(platform::fromQColor(QColorDialog::customColor(i))));
        text += line;
    }
    return text;
}

void TPrnColorSetBox::changeClick(int i)
{
    QColorDialog dialog(platform::toQColor(m_panelColors[i]), this);
    if (platform::execDialog(dialog) == QDialog::Accepted)
        setPanel(i, platform::fromQColor(dialog.currentColor()));
}

void TPrnColorSetBox::resetClick()
{
    if (platform::messageBox("帳票の色を環境設定の色に戻します。\r\nよろしいですか？", "",
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return;
    m_link->setText(QStringLiteral("<a href=\"reset\" style=\"color: purple;\">環境設定の色に戻す</a>"));
    SetLineColor1(static_cast<TColor>(SystemDef.PLineColor1));
    SetLineColor2(static_cast<TColor>(SystemDef.PLineColor2));
    SetNetColor1(static_cast<TColor>(SystemDef.NetColor1));
    SetNetColor2(static_cast<TColor>(SystemDef.NetColor2));
}

void TPrnColorSetBox::doClose(int result)
{
    hide();
    if (DM)
        DM->PutStyleColor(SystemDef.LoginId, "Pallet_CustomColor", customColorText());
    TBSDI::doClose(result);
}

} // namespace print
