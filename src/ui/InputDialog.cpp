// TInputDlgBox: the small dialog that asks for one value (text, masked password or a choice).
#include "ui/InputDialog.h"

#include "platform/MessageService.h"
#include "platform/Text.h"
#include "records/DbErrorHandler.h"
#include "ui/KeyCheckBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>

#include <cmath>

namespace {

QString toQ(const std::string& s)
{
    QString out = QString::fromUtf8(s.data(), qsizetype(s.size()));
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

std::size_t cp932Bytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return platform::text::cp932Width(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

// Blank after taking off ordinary and full-width spaces.
bool isBlank(const QString& text)
{
    for (QChar ch : text)
        if (ch != QChar(u' ') && ch != QChar(0x3000))
            return false;
    return true;
}

// Layout at 96 dpi.
constexpr int kWidth = 427;
constexpr int kHeight = 231;
constexpr int kMargin = 12;
constexpr int kBottomPanel = 96;
constexpr int kHintHeight = 40;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 30;
constexpr int kEditHeight = 24;

} // namespace

TInputDlgBox::TInputDlgBox(QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    setObjectName(QStringLiteral("TInputDlgBox"));
    MenuRegister = 0;
    SubclassFlag = 0;
    UseFormSize = 0;
    ActivateValue = 0;
    KeepOnClose = 1;
    MessageColor = platform::clWindowText;

    const int w = scaled(kWidth);
    const int h = scaled(kHeight);
    const int margin = scaled(kMargin);
    const int inner = w - 2 * margin;
    const int clientHeight = h - scaled(kBottomPanel);

    m_clientPanel = new QWidget(this);
    m_clientPanel->setObjectName(QStringLiteral("pnlClient"));
    m_clientPanel->setGeometry(0, 0, w, clientHeight);
    m_lblMain = new QLabel(m_clientPanel);
    m_lblMain->setObjectName(QStringLiteral("lblMain"));
    m_lblMain->setWordWrap(true);
    m_lblMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int panelHeight = scaled(kEditHeight) * 2 + scaled(6);
    const int panelTop = clientHeight - panelHeight - scaled(4);
    m_lblMain->setGeometry(margin, margin, inner, panelTop - margin);

    m_pnlText = new QWidget(m_clientPanel);
    m_pnlText->setObjectName(QStringLiteral("pnlText"));
    m_pnlText->setGeometry(margin, panelTop, inner, panelHeight);
    m_txtInput = new TxEdit(m_pnlText);
    m_txtInput->setObjectName(QStringLiteral("txtInput"));
    m_txtInput->setGeometry(0, 0, inner, scaled(kEditHeight));
    m_btnFuseji = new TxCheckBox(m_pnlText);
    m_btnFuseji->setObjectName(QStringLiteral("btnFuseji"));
    m_btnFuseji->setText(QStringLiteral("伏字にせず入力"));
    m_btnFuseji->setFocusPolicy(Qt::ClickFocus);
    m_btnFuseji->setGeometry(0, scaled(kEditHeight) + scaled(6), inner, scaled(kEditHeight));
    connect(m_btnFuseji, &QCheckBox::toggled, this, [this] { btnFusejiClick(); });

    m_pnlCombo = new QWidget(m_clientPanel);
    m_pnlCombo->setObjectName(QStringLiteral("pnlCombo"));
    m_pnlCombo->hide();
    m_cmbInput = new TxComboBox(m_pnlCombo);
    m_cmbInput->setObjectName(QStringLiteral("cmbInput"));
    m_cmbInput->setEditable(true);
    m_cmbInput->setMaxVisibleItems(16);
    m_cmbInput->setAttribute(Qt::WA_InputMethodEnabled, false);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(m_txtInput), m_cmbInput->lineEdit()}) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, edit](const QString& t) { limitLength(edit, t); });
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) {
            if (InputMaxLength <= 0 || cp932Bytes(t) <= std::size_t(InputMaxLength))
                m_lastFitting = t;
        });
    }

    m_bottomPanel = new QWidget(this);
    m_bottomPanel->setObjectName(QStringLiteral("pnlBottom"));
    m_bottomPanel->setGeometry(0, clientHeight, w, scaled(kBottomPanel));
    m_panelHint = new QWidget(m_bottomPanel);
    m_panelHint->setObjectName(QStringLiteral("PanelHint"));
    m_panelHint->setGeometry(margin, scaled(4), inner, scaled(kHintHeight));
    m_hintArea = CreateHintArea(m_panelHint);
    m_hintArea->setGeometry(0, 0, inner, scaled(kHintHeight));

    m_btnHelp = new TxPlButton(QStringLiteral("btnHelp"), m_bottomPanel);
    m_btnHelp->CaptionA().setCaption(QStringLiteral("F1:ヘルプ"));
    m_btnHelp->hide();
    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), m_bottomPanel);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->OnClick = [this](QObject*) { btnOKClick(); };
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), m_bottomPanel);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setCancel(true);
    const int buttonTop = scaled(4) + scaled(kHintHeight) + scaled(10);
    m_btnCancel->setGeometry(w - margin - scaled(kButtonWidth), buttonTop, scaled(kButtonWidth),
                             scaled(kButtonHeight));
    m_btnOK->setGeometry(w - margin - 2 * scaled(kButtonWidth) - scaled(8), buttonTop,
                         scaled(kButtonWidth), scaled(kButtonHeight));

    setFixedSize(w, h);
    Initialized = 1;
}

TInputDlgBox::~TInputDlgBox() = default;

int TInputDlgBox::scaled(int designed) const
{
    const int ppi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

bool TInputDlgBox::FilterAccepts(std::int32_t mode, QChar ch)
{
    const char16_t c = ch.unicode();
    if (c == u'\r' || c == u'\b')
        return true;
    const bool digit = c >= u'0' && c <= u'9';
    const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    switch (mode) {
    case 10: return digit || c == u'-' || c == u'.';
    case 20: return letter;
    case 30: return digit || letter;
    case 40: return std::u16string_view(u" *,/:;<>?\\|").find(c) == std::u16string_view::npos;
    default: return true;
    }
}

void TInputDlgBox::SetInputFilter(std::int32_t mode)
{
    FilterMode = mode;
    if (mode == 0) {
        m_txtInput->OnKeyPress = nullptr;
        return;
    }
    // The edit runs this for typed keys and, one by one, for what the input method commits.
    m_txtInput->OnKeyPress = [this](QChar& ch) {
        if (!FilterAccepts(FilterMode, ch))
            ch = QChar();
    };
}

void TInputDlgBox::ApplySettings()
{
    setWindowTitle(toQ(DlgCaption));
    m_lblMain->setText(toQ(DlgMessage));
    QPalette pal = m_lblMain->palette();
    pal.setColor(QPalette::WindowText, platform::toQColor(MessageColor));
    m_lblMain->setPalette(pal);

    const QString value = QString::fromStdString(InputValue);
    const auto ime = TxEdit::TImeMode(InputImeMode);
    if (InputStyle == 2) {
        m_pnlCombo->setGeometry(m_pnlText->geometry());
        m_cmbInput->setGeometry(0, 0, m_pnlText->width(), scaled(kEditHeight));
        m_pnlCombo->show();
        m_pnlText->hide();
        m_cmbInput->clear();
        m_cmbInput->addItems(ComboItems);
        m_cmbInput->setEditText(value);
        m_lastFitting = value;
        SetControlHint(m_cmbInput, QString::fromStdString(InputHint));
        m_cmbInput->setAttribute(Qt::WA_InputMethodEnabled, ime != TxEdit::imDisable);
    } else {
        m_pnlText->show();
        m_pnlCombo->hide();
        m_txtInput->setText(value);
        m_lastFitting = value;
        SetControlHint(m_txtInput, QString::fromStdString(InputHint));
        m_txtInput->setImeMode(ime);
        m_txtInput->setEchoMode(QLineEdit::Normal);
        m_btnFuseji->hide();
        if (InputStyle == 1) {
            InputRequired = 1;
            m_btnFuseji->show();
            btnFusejiClick();
        }
    }
    SetInputFilter(FilterMode);

    SetControlHint(m_btnFuseji, QStringLiteral("パスワードを伏字にせず入力します。|"
                                               "チェックを入れるとパスワードを伏字にしないで入力が行えます。"));
    SetControlHint(m_btnOK, QStringLiteral("内容を確定します。|内容を確定します。"));
    SetControlHint(m_btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
    setModalResult(platform::mrNone);
    Reposition = 0;
}

void TInputDlgBox::btnFusejiClick()
{
    // QLineEdit's password mode shows its own bullet; the form masks with "*".
    const bool plain = m_btnFuseji->isChecked();
    m_txtInput->setEchoMode(plain ? QLineEdit::Normal : QLineEdit::Password);
    m_txtInput->setStyleSheet(plain ? QString()
                                    : QStringLiteral("lineedit-password-character: 42;"));
}

void TInputDlgBox::limitLength(QLineEdit* edit, const QString& edited)
{
    if (InputMaxLength <= 0 || cp932Bytes(edited) <= std::size_t(InputMaxLength))
        return;
    // The column the value goes into counts CP932 bytes: an edit that overflows is refused whole.
    const int cursor = edit->cursorPosition() - int(edited.size() - m_lastFitting.size());
    const QSignalBlocker quiet(edit);
    edit->setText(m_lastFitting);
    edit->setCursorPosition(std::max(0, cursor));
}

void TInputDlgBox::btnOKClick()
{
    setModalResult(platform::mrNone);
    const QString text = InputStyle == 2 ? m_cmbInput->currentText() : m_txtInput->text();
    if (InputRequired && isBlank(text)) {
        platform::messageBox(InputStyle == 2 ? "入力または選択してから[OK]ボタンを押して下さい。"
                                             : "入力してから[OK]ボタンを押して下さい。",
                             records::dialogCaption(2),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
        if (InputStyle == 2)
            m_cmbInput->setFocus();
        else
            m_txtInput->setFocus();
        return;
    }
    InputValue = text.toStdString();
    setModalResult(platform::mrOk);
}

void TInputDlgBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (over && over != this) {
        area = over->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid())
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    update();
    if (InputStyle == 2)
        m_cmbInput->setFocus();
    else
        m_txtInput->setFocus();
    unsetCursor();
}

namespace ui {

void installInputDialog()
{
    platform::setInputHandler([](const platform::InputRequest& r) -> std::optional<std::string> {
        // Made for the one question and freed when it is answered.
        QWidget* owner = r.centerOnScreen ? nullptr : QApplication::activeWindow();
        TInputDlgBox box(owner);
        box.InputStyle = r.style;
        box.DlgCaption = r.caption;
        box.DlgMessage = r.message;
        box.MessageColor = r.messageColor;
        box.InputValue = r.value;
        box.InputHint = r.hint;
        box.InputMaxLength = r.maxLength;
        box.InputImeMode = r.imeMode;
        box.SetInputFilter(r.filterMode);
        box.ApplySettings();
        if (platform::execDialog(box) != platform::mrOk)
            return std::nullopt;
        return box.InputValue;
    });
}

} // namespace ui
