// The password-change dialog of the password-confirmation sign-in.
#include "ui/UpPasswordBox.h"

#include "platform/MessageService.h"
#include "records/DbErrorHandler.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include <QLabel>
#include <QRegularExpressionValidator>

namespace {

bool acceptedKey(QChar ch)
{
    const char16_t c = ch.unicode();
    return ch.isNull() || c == u'\r' || c == u'\b' || (c >= u'0' && c <= u'9') ||
           (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Trims half- and full-width blanks.
QString trimmed(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\u3000' || c == u'\t'; };
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

} // namespace

TUpPasswordBox::TUpPasswordBox(const std::string& currentPassword, QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_current(currentPassword)
{
    setObjectName(QStringLiteral("TUpPasswordBox"));
    const bool change = !currentPassword.empty();
    setWindowTitle(change ? QStringLiteral("パスワードの変更") : QStringLiteral("パスワードの設定"));
    m_label = new QLabel(change ? QStringLiteral("パスワードを変更します。")
                                : QStringLiteral("パスワードを設定します。"),
                         this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setGeometry(16, 12, 300, 20);

    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]{0,10}")), this);
    int y = 42;
    const auto row = [&](const char* name, const QString& caption, QLabel** captionOut) {
        auto* l = new QLabel(caption, this);
        l->setGeometry(16, y, 150, 22);
        auto* e = new TxEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(10);
        e->setEchoMode(QLineEdit::Password);
        e->setImeMode(TxEdit::imDisable);
        e->setValidator(validator);
        e->OnKeyPress = [](QChar& ch) {
            if (!acceptedKey(ch))
                ch = QChar();
        };
        e->setGeometry(170, y, 140, 22);
        if (captionOut)
            *captionOut = l;
        y += 30;
        return e;
    };
    m_now = row("txtPasswordNow", QStringLiteral("現在のパスワード:"), &m_nowCaption);
    if (!change) {
        // No current password: its row goes and the others move up.
        m_now->setVisible(false);
        m_nowCaption->setVisible(false);
        y -= 30;
    }
    m_new1 = row("txtPasswordNew1", QStringLiteral("新しいパスワード:"), nullptr);
    m_new2 = row("txtPasswordNew2", QStringLiteral("新しいパスワード(確認):"), nullptr);
    m_ok = new TxPlButton(QStringLiteral("OKBtn"), this);
    m_ok->CaptionA().setCaption(QStringLiteral("OK"));
    m_ok->setGeometry(130, y + 8, 88, 28);
    m_ok->OnClick = [this](QObject*) { OKBtnClick(); };
    m_cancel = new TxPlButton(QStringLiteral("CancelBtn"), this);
    m_cancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_cancel->setCancel(true);
    m_cancel->setModalResult(platform::mrCancel);
    m_cancel->setGeometry(226, y + 8, 88, 28);
    setFixedSize(330, y + 48);
}

void TUpPasswordBox::refuse(const char* text, TxEdit* focus)
{
    platform::messageBox(text, records::dialogCaption(0), platform::MB_OK | platform::MB_ICONWARNING);
    focus->setFocus();
}

void TUpPasswordBox::OKBtnClick()
{
    if (!m_current.empty()) {
        if (trimmed(m_now->text()).isEmpty())
            return refuse("現在のパスワードが入力されていません。", m_now);
        if (m_now->text().toStdString() != m_current)
            return refuse("現在のパスワードが入力されたパスワードと一致しません。", m_now);
    }
    if (trimmed(m_new1->text()).isEmpty())
        return refuse("新しいパスワードが入力されていません。両方のボックスに入力して下さい。", m_new1);
    if (trimmed(m_new2->text()).isEmpty())
        return refuse("新しいパスワードが入力されていません。両方のボックスに入力して下さい。", m_new2);
    if (m_new1->text() != m_new2->text())
        return refuse("入力されたパスワードは一致しません。", m_new1);
    m_newPassword = m_new1->text().toStdString();
    setModalResult(platform::mrOk);
}
