#include "ui/SimpleMessageBox.h"

#include "platform/MessageService.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

QString toQ(const std::string& s)
{
    // Texts break lines with CR; the label and memo want LF.
    QString out = QString::fromUtf8(s.data(), qsizetype(s.size()));
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

// Layout at 96 dpi.
constexpr int kWidth = 492;
constexpr int kHeight = 267;
constexpr int kMargin = 12;
constexpr int kBottomPanel = 48;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 8;
constexpr int kLabelMinHeight = 32;
constexpr int kAgreeRow = 28;
constexpr int kGap = 8;

} // namespace

void InitMessageInfo(TMessageInfoRec& rec) { rec = TMessageInfoRec{}; }

int ShowMessageBox(const TMessageInfoRec& rec)
{
    TMessageBox box(QApplication::activeWindow());
    box.MsgKind = rec.Kind;
    box.MsgCaption = rec.Caption;
    box.MsgText = rec.Text;
    box.MsgColor = rec.Color;
    box.AgreeCaption = rec.AgreeCaption;
    box.SetLines(rec.Lines);
    box.FormPosition = rec.Position;
    box.ApplySettings();
    platform::markMessageBox(box, box.MsgKind == 1 ? "information" : "question", box.MsgText,
                             box.defaultResult());
    return platform::execDialog(box);
}

TMessageBox::TMessageBox(QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    setObjectName(QStringLiteral("TMessageBox"));
    MenuRegister = 0;
    SubclassFlag = 0;
    UseFormSize = 0;
    ActivateValue = 0;
    KeepOnClose = 1;
    MsgColor = platform::clWindowText;

    m_clientPanel = new QWidget(this);
    m_clientPanel->setObjectName(QStringLiteral("pnlClient"));
    m_lblMain = new QLabel(QStringLiteral("メッセージ"), m_clientPanel);
    m_lblMain->setObjectName(QStringLiteral("lblMain"));
    m_lblMain->setWordWrap(true);
    m_lblMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_messageArea = new QPlainTextEdit(m_clientPanel);
    m_messageArea->setObjectName(QStringLiteral("MessageArea"));
    m_messageArea->setReadOnly(true);
    m_messageArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_messageArea->setFocusPolicy(Qt::NoFocus);
    m_cboxAgree = new TxCheckBox(QString(), m_clientPanel);
    m_cboxAgree->setObjectName(QStringLiteral("cboxAgree"));
    connect(m_cboxAgree, &QCheckBox::toggled, this, [this] { cboxAgreeClick(); });

    m_bottomPanel = new QWidget(this);
    m_bottomPanel->setObjectName(QStringLiteral("pnlBottom"));
    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), m_bottomPanel);
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), m_bottomPanel);
    for (auto* b : {m_btnOK, m_btnCancel})
        b->resize(scaled(kButtonWidth), scaled(kButtonHeight));

    m_designedWidth = scaled(kWidth);
    m_designedHeight = scaled(kHeight);
    resize(m_designedWidth, m_designedHeight);
    Initialized = 1;
}

TMessageBox::~TMessageBox() = default;

int TMessageBox::scaled(int designed) const
{
    const int ppi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

void TMessageBox::ApplySettings()
{
    AgreeVisible = MsgKind == 2 || MsgKind == 3;
    const int w = m_designedWidth;
    int h = m_designedHeight;

    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setModalResult(platform::mrOk);
    m_btnOK->show();
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setModalResult(platform::mrCancel);
    if (MsgKind == 1) {
        m_btnOK->hide();
        m_btnCancel->CaptionA().setCaption(QStringLiteral("OK"));
        m_btnCancel->setModalResult(platform::mrOk);
    }

    setWindowTitle(QString::fromStdString(MsgCaption));
    m_lblMain->setText(toQ(MsgText));
    QPalette pal = m_lblMain->palette();
    pal.setColor(QPalette::WindowText, platform::toQColor(MsgColor));
    m_lblMain->setPalette(pal);

    // Client panel: headline on top, agreement row at the bottom, the lines in between.
    const int margin = scaled(kMargin);
    const int inner = w - 2 * margin;
    const int labelHeight = std::max(scaled(kLabelMinHeight), m_lblMain->heightForWidth(inner));
    m_lblMain->setGeometry(margin, margin, inner, labelHeight);
    const int clientHeight = h - scaled(kBottomPanel);
    const int memoTop = margin + labelHeight + scaled(kGap);
    const int agreeTop = clientHeight - scaled(kAgreeRow);
    const int memoHeight = std::max(scaled(kAgreeRow), agreeTop - scaled(kGap) - memoTop);
    m_messageArea->setGeometry(margin, memoTop, inner, memoHeight);
    QStringList lines;
    for (const auto& line : MsgLines)
        lines << toQ(line);
    m_messageArea->setPlainText(lines.join(QLatin1Char('\n')));
    int agreeY = memoTop + memoHeight + scaled(kGap);
    if (MsgLines.empty()) {
        m_messageArea->hide();
        h -= memoHeight + scaled(kGap);
        agreeY = memoTop;
    } else {
        m_messageArea->show();
    }
    m_clientPanel->setGeometry(0, 0, w, h - scaled(kBottomPanel));

    m_cboxAgree->setVisible(AgreeVisible);
    m_cboxAgree->setText(QString::fromStdString(AgreeCaption));
    m_cboxAgree->setGeometry(margin, agreeY, inner, scaled(kAgreeRow) - scaled(kGap));
    {
        const QSignalBlocker quiet(m_cboxAgree);
        m_cboxAgree->setChecked(AgreeChecked);
    }
    m_btnOK->setEnabled(MsgKind != 2);

    m_bottomPanel->setGeometry(0, h - scaled(kBottomPanel), w, scaled(kBottomPanel));
    const int top = (scaled(kBottomPanel) - m_btnCancel->height()) / 2;
    const int cancelX = w - margin - m_btnCancel->width();
    m_btnCancel->move(cancelX, top);
    m_btnOK->move(cancelX - scaled(kButtonGap) - m_btnOK->width(), top);

    setFixedSize(w, h);
    setModalResult(platform::mrNone);
    Reposition = 0;
}

void TMessageBox::cboxAgreeClick()
{
    AgreeChecked = m_cboxAgree->isChecked();
    if (MsgKind == 2)
        m_btnOK->setEnabled(AgreeChecked);
}

void TMessageBox::placeWindow()
{
    QWidget* over = nullptr;
    switch (FormPosition) {
    case 6: over = QApplication::activeWindow(); break;
    case 7: over = parentWidget() ? parentWidget()->window() : nullptr; break;
    case 4:
    case 5: break;
    default: return;
    }
    if (over == this)
        over = nullptr;
    QRect area;
    if (over) {
        area = over->frameGeometry();
    } else {
        QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        area = screen->availableGeometry();
    }
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

int TMessageBox::defaultResult() const
{
    const bool okShown = !m_btnOK->isHidden();
    return FocusButton == 2 && okShown ? m_btnOK->ModalResult() : m_btnCancel->ModalResult();
}

void TMessageBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    placeWindow();
    update();
    TxPlButton* focus = FocusButton == 2 && m_btnOK->isVisible() ? m_btnOK : m_btnCancel;
    focus->setFocus();
    unsetCursor();
}
