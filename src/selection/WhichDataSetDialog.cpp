// TWhichDataSetBox: take-out or bring-back of a server data set.
#include "selection/WhichDataSetDialog.h"

#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

bool swallowedKey(int key) { return (key >= Qt::Key_F1 && key <= Qt::Key_F8) || key == Qt::Key_F12; }

// The height the hint area needs to show text whole at its width, laid out as the area does.
int hintHeightFor(const QPlainTextEdit& area, const QString& text)
{
    const qreal margin = area.document()->documentMargin();
    const qreal width = area.width() - 2 * area.frameWidth() - 2 * margin;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, area.font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height() + std::max<qreal>(0, line.leading());
        }
        layout.endLayout();
    }
    return int(std::ceil(height + 2 * margin)) + 2 * area.frameWidth();
}

} // namespace

TWhichDataSetBox::TWhichDataSetBox(QWidget* parent) : TBSDI(Border::Fixed, parent)
{
    setObjectName(QStringLiteral("TWhichDataSetBox"));
    KeepOnClose = 1;
    setWindowTitle(QStringLiteral("データの持ち出し／持ち帰り"));

    m_label = new QLabel(QStringLiteral("データの処理方法:"), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setGeometry(24, 16, 200, 16);
    m_rbMochidasi = new TxRadioButton(QStringLiteral("データを持ち出します"), this);
    m_rbMochidasi->setObjectName(QStringLiteral("rbMochidasi"));
    m_rbMochidasi->setGeometry(40, 40, 280, 20);
    m_rbMochikaeri = new TxRadioButton(QStringLiteral("データを持ち帰りました"), this);
    m_rbMochikaeri->setObjectName(QStringLiteral("rbMochikaeri"));
    m_rbMochikaeri->setGeometry(40, 66, 280, 20);
    m_rbMochidasi->setChecked(true);

    m_hintArea = CreateHintArea(this);
    m_hintArea->setGeometry(8, 100, 260, 56);
    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), this);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setGeometry(276, 100, 88, 26);
    m_btnOK->OnClick = [this](QObject*) { btnOKClick(); };
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), this);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setCancel(true);
    m_btnCancel->setGeometry(276, 130, 88, 26);
    setTabOrder(m_rbMochidasi, m_rbMochikaeri);
    setTabOrder(m_rbMochikaeri, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);

    SetControlHint(m_rbMochidasi,
                   QStringLiteral("データの処理方法を選択します。|データを持ち出すため、「データ選択（サーバ）」画面で選択した場所にあるデータをコンピュータ内のデータエリアへコピーします。"));
    SetControlHint(m_rbMochikaeri,
                   QStringLiteral("データの処理方法を選択します。|データを持ち帰ったため、「データ選択（サーバ）」画面で選択した場所へコンピュータ内のデータエリアよりコピーします。"));
    SetControlHint(m_btnOK, QStringLiteral("内容を保存して画面を閉じます。|内容を保存して画面を閉じます。"));
    SetControlHint(m_btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
    fitHintArea();
    Initialized = 1;
}

void TWhichDataSetBox::fitHintArea()
{
    // The area grows to the longest hint in the font it shows with (known once polished): a
    // fixed height cut its last line.
    m_hintArea->ensurePolished();
    int hintHeight = 56;
    for (QWidget* w : std::initializer_list<QWidget*>{m_rbMochidasi, m_rbMochikaeri, m_btnOK, m_btnCancel}) {
        const QString hint = ControlHint(w);
        hintHeight = std::max(hintHeight, hintHeightFor(*m_hintArea, hint.mid(hint.indexOf(QLatin1Char('|')) + 1)));
    }
    m_hintArea->resize(m_hintArea->width(), hintHeight);
    setFixedSize(372, std::max(164, m_hintArea->geometry().bottom() + 1 + 8));
}

TWhichDataSetBox::~TWhichDataSetBox() = default;

void TWhichDataSetBox::SetUp(bool Lock)
{
    m_rbMochidasi->setEnabled(true);
    m_rbMochikaeri->setEnabled(true);
    if (Lock) {
        m_rbMochidasi->setEnabled(false);
        m_rbMochikaeri->setChecked(true);
    } else {
        m_rbMochidasi->setChecked(true);
    }
}

void TWhichDataSetBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    fitHintArea();
    if (!Initialized) {
        ShowInitFailure();
        setModalResult(platform::mrCancel);
        return;
    }
    SetFormPosition(0, 0, 2, 0, 0);
    for (TxRadioButton* b : {m_rbMochidasi, m_rbMochikaeri})
        if (b->isEnabled() && b->isVisible()) {
            b->setFocus();
            break;
        }
}

void TWhichDataSetBox::doKeyDown(QKeyEvent& event)
{
    if (swallowedKey(event.key()))
        event.accept();
}

void TWhichDataSetBox::doKeyUp(QKeyEvent& event)
{
    if (swallowedKey(event.key()))
        event.accept();
}

void TWhichDataSetBox::btnOKClick()
{
    if (m_rbMochidasi->isEnabled() && m_rbMochidasi->isChecked())
        Direction = 0;
    else if (m_rbMochikaeri->isEnabled() && m_rbMochikaeri->isChecked())
        Direction = 1;
    else
        Direction = 0;
    setModalResult(platform::mrOk);
}
