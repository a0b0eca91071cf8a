#include "ui/RichMessageBox.h"

#include "platform/Colors.h"
#include "platform/MessageService.h"
#include "platform/UrlOpener.h"
#include "ui/KeyCheckBox.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QScreen>
#include <QStyle>

#include <cmath>
#include <vector>

namespace ui {
namespace {

QString toQ(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::function<std::string()>& optionUrlSource()
{
    static std::function<std::string()> source;
    return source;
}

constexpr std::uint32_t kRed = 255;
constexpr std::uint32_t kLinkColour = 0xFF0000;    // blue, as 0x00BBGGRR
constexpr std::uint32_t kVisitedColour = 0x800080; // purple

struct CatalogueLine {
    const char* text;
    std::uint32_t colour;
};

struct CatalogueEntry {
    std::int32_t id;
    std::uint8_t kind;
    std::uint16_t buttons;
    const char* caption;
    std::vector<CatalogueLine> lines;
};

const std::uint16_t kOk = msgButton(mbOK);
const std::uint16_t kOkCancel = msgButton(mbOK) | msgButton(mbCancel);

const char* const kDeleteLine1 = "選択行の内訳を削除します、よろしいですか？";
const char* const kDeleteLine3 =
    "一時的に内訳書より削除したい場合は、残高を0円に訂正して印刷方法の[0円の明細を省略する]にチェックを";
const char* const kDeleteLine4 = "入れてください。";

const std::vector<CatalogueEntry>& catalogue()
{
    static const std::vector<CatalogueEntry> entries = {
        {0x1010, 3, kOkCancel, "確認",
         {{"このデータは、お使いのプログラムより新しいプログラムでデータ更新が行われています。", 0},
          {"データを使用するにはプログラムのバージョンアップが必要となります。", 0},
          {"続行してもよろしいですか？", 0},
          {"（ウィルス対策ソフトをご利用中の場合は、該当ソフトを終了して下さい。）", 0}}},
        {0x1011, 2, kOk, "情報",
         {{"このデータは、「データの更新」処理を行うことが禁止されています。", 0},
          {"データを選択したい場合は、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を", 0},
          {"開き、[データの更新: 禁止する]項目のチェックを外して下さい。", 0}}},
        {0x1020, 2, kOk, "情報",
         {{"このデータは現金出納帳システムと通信しています。マスター情報の変更は、事前に現金出納帳システムから", 0},
          {"送られた最新のデータを受信し、現金出納帳システム側の処理をストップさせてから行ってください。", 0},
          {"また、変更後には必ず「現金出納帳マスター送信」を実行してください。", 0}}},
        {0x1030, 3, kOk, "エラー",
         {{"データ使用後検証の結果、このデータは破損している恐れがあります。", 0},
          {"データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。", 0},
          {"ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。", 0}}},
        {0x2014, 2, kOk, "情報",
         {{"過年度明細の取り込みが行われていません。", 0},
          {"このデータに対して過年度明細を取り込むには以下の方法があります。", 0},
          {"１）「過年度残高登録」の[仕訳取込]より過年度明細を取り込みます。", 0},
          {"２）「繰越残高調整」で過年度明細を繰り越します。（前期のみ）", 0}}},
        {0x10001010, 2, kOk, "情報",
         {{"この仕訳は他システムから作成された自動仕訳のため、訂正・削除を行うことはできません。", 0}}},
        {0x10001011, 2, kOk, "情報",
         {{"この仕訳は他処理から作成された自動仕訳のため、自科目訂正を行うことはできません。", 0}}},
        {0x10002010, 3, kOkCancel, "確認",
         {{"会計データと連動する項目を「上書き入力」に切り替えます。", 0}, {"よろしいですか？", 0}}},
        {0x10002011, 3, kOkCancel, "確認",
         {{"会計データと連動する項目を「自動取得」に切り替えます。", 0},
          {"よろしいですか？", 0},
          {"注意）上書き入力した項目は、会計データの集計値により書き換えられます。", kRed}}},
        {0x10003010, 3, kOkCancel, "内訳書の削除",
         {{kDeleteLine1, 0},
          {"注意）削除を行うと、内訳に記述してある名称などの情報は科目情報を取り込んでも記述されません。", kRed},
          {kDeleteLine3, kRed},
          {kDeleteLine4, kRed}}},
        {0x10003011, 3, kOkCancel, "内訳書の削除",
         {{kDeleteLine1, 0},
          {"注意）削除を行うと、内訳に記述してある金融機関名などの情報は科目情報を取り込んでも記述されません。", kRed},
          {kDeleteLine3, kRed},
          {kDeleteLine4, kRed}}},
        {0x10003012, 3, kOkCancel, "内訳書の削除",
         {{kDeleteLine1, 0},
          {"注意）削除を行うと、内訳に記述してある借入先などの情報は科目情報を取り込んでも記述されません。", kRed},
          {kDeleteLine3, kRed},
          {kDeleteLine4, kRed}}},
        {0x10004010, 2, kOk, "情報",
         {{"「基本設定」の「消費税＞一括税抜処理区分」に[処理する]が選択されているため、消費税処理区分を[税込]へは変更出来ません。", 0}}},
    };
    return entries;
}

struct ButtonKind {
    const char* caption;
    int result;
};

// In the order of the set's bits.
constexpr ButtonKind kButtonKinds[] = {
    {"はい(&Y)", platform::mrYes},      {"いいえ(&N)", platform::mrNo},
    {"OK(&O)", platform::mrOk},         {"ｷｬﾝｾﾙ(&C)", platform::mrCancel},
    {"中断(&A)", platform::mrAbort},    {"再試行(&R)", platform::mrRetry},
    {"無視(&I)", platform::mrIgnore},   {"すべて(&A)", platform::mrAll},
    {"すべていいえ", platform::mrNoToAll}, {"すべてはい", platform::mrYesToAll},
    {"ヘルプ(&H)", platform::mrNone},
};

int showRichMessageBox(TMessage2InfoRec& rec)
{
    TMessageBox2 box(QApplication::activeWindow());
    box.SetMessageId(rec.ID);
    box.SetInfo(rec);
    box.ApplyInfo();
    // The lines up to the last one with text, joined as the caller wrote them.
    const auto& lines = box.info().Lines;
    std::size_t used = lines.size();
    while (used > 0 && lines[used - 1].Text.empty())
        --used;
    std::string text;
    for (std::size_t i = 0; i < used; ++i)
        text += (i ? "\r" : "") + lines[i].Text;
    const char* kind = "none";
    switch (box.info().Kind) {
    case mtWarning: kind = "warning"; break;
    case mtError: kind = "error"; break;
    case mtInformation: kind = "information"; break;
    case mtConfirmation: kind = "question"; break;
    default: break;
    }
    platform::markMessageBox(box, kind, text, box.defaultResult());
    const int result = platform::execDialog(box);
    rec.Agree = box.GetAgree();
    return result;
}

} // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick)
        onClick();
}

void installRichMessageBox() { platform::setMessageBox2Handler(showRichMessageBox); }

void setOptionUrlSource(std::function<std::string()> source)
{
    optionUrlSource() = std::move(source);
}

bool lookUpMessage2(std::int32_t id, TMessage2InfoRec& rec)
{
    InitMessage2Info(mtInformation, rec);
    rec.ID = id;
    for (const auto& e : catalogue()) {
        if (e.id != id)
            continue;
        rec.Kind = e.kind;
        rec.Buttons = e.buttons;
        rec.Caption = e.caption;
        for (std::size_t i = 0; i < e.lines.size() && i < rec.Lines.size(); ++i) {
            rec.Lines[i].Text = e.lines[i].text;
            rec.Lines[i].Color = e.lines[i].colour;
        }
        return true;
    }
    return false;
}

const std::vector<std::int32_t>& message2CatalogueIds()
{
    static const std::vector<std::int32_t> ids = [] {
        std::vector<std::int32_t> out;
        for (const auto& e : catalogue())
            out.push_back(e.id);
        return out;
    }();
    return ids;
}

} // namespace ui

// --- TMessageBox2 -------------------------------------------------------------------------

TMessageBox2::TMessageBox2(QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                   Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TMessageBox2"));
    setFont(QApplication::font("QMessageBox"));
    setCloseOnEscape(true);

    m_textPanel = new QWidget(this);
    m_textPanel->setObjectName(QStringLiteral("pnlText"));
    m_image = new QLabel(m_textPanel);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(scaled(20), scaled(24), scaled(32), scaled(32));
    for (int i = 0; i < 10; ++i) {
        auto* label = new ui::ClickLabel(m_textPanel);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->move(scaled(68), scaled(24 + 24 * i));
        label->onClick = [this, i] { labelClick(i); };
        m_labels[std::size_t(i)] = label;
    }

    m_agreePanel = new QWidget(this);
    m_agreePanel->setObjectName(QStringLiteral("pnlAgree"));
    m_btnAgree = new TxCheckBox(QStringLiteral("同意する"), m_agreePanel);
    m_btnAgree->setObjectName(QStringLiteral("btnAgree"));
    m_btnAgree->move(scaled(68), scaled(8));
    m_btnAgree->adjustSize();
    connect(m_btnAgree, &QCheckBox::toggled, this, [this] { btnAgreeClick(); });
    m_agreePanel->hide();

    m_buttonPanel = new QWidget(this);
    m_buttonPanel->setObjectName(QStringLiteral("pnlButton"));
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(m_buttonPanel);
        b->setObjectName(QStringLiteral("btnButton%1").arg(i + 1));
        // As on the desktop: Return presses the focused button.
        b->setAutoDefault(true);
        b->resize(scaled(75), scaled(25));
        connect(b, &QPushButton::clicked, this, [this, i] { btnButton1Click(i); });
        m_buttons[std::size_t(i)] = b;
    }
    resize(scaled(500), scaled(335));
}

TMessageBox2::~TMessageBox2() = default;

int TMessageBox2::scaled(int designed) const
{
    const int ppi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

void TMessageBox2::SetMessageId(std::int32_t id)
{
    m_id = id;
    if (id != 0)
        ui::lookUpMessage2(id, m_work);
}

void TMessageBox2::SetInfo(const TMessage2InfoRec& rec)
{
    const TMessage2InfoRec passed = rec; // rec may be the working record itself
    m_work = passed;
    SetMessageId(m_work.ID);
    layOut();
    m_agreeMode = passed.AgreeMode;
    m_agreeCaption = QString::fromStdString(passed.AgreeCaption);
    m_agree = passed.Agree;
}

void TMessageBox2::ApplyInfo()
{
    SetMessageId(m_id);
    SetInfo(m_work);
    m_agreePanel->hide();
    if (m_agreeCaption.trimmed().isEmpty())
        m_agreeMode = 0;
    const int buttonPanel = scaled(38);
    const int agreePanel = scaled(32);
    int height = m_textHeight + buttonPanel;
    if (m_agreeMode != 0) {
        m_btnAgree->setText(m_agreeCaption);
        m_btnAgree->adjustSize();
        m_btnAgree->setChecked(m_agree);
        if (m_agreeMode == 1)
            m_buttons[0]->setEnabled(m_btnAgree->isChecked());
        m_agreePanel->setGeometry(0, m_textHeight, width(), agreePanel);
        m_agreePanel->show();
        height += agreePanel;
    }
    setFixedSize(width(), height);
    m_buttonPanel->setGeometry(0, height - buttonPanel, width(), buttonPanel);
    // Centred on the screen.
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height) / 2);
    }
    setModalResult(platform::mrNone);
}

bool TMessageBox2::GetAgree()
{
    m_agree = m_btnAgree->isChecked();
    return m_agree;
}

void TMessageBox2::layOut()
{
    // 1. Every label back to plain.
    for (auto* label : m_labels) {
        label->clear();
        label->unsetCursor();
        QFont f = font();
        label->setFont(f);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, platform::toQColor(platform::clWindowText));
        label->setPalette(pal);
        label->setProperty("url", QVariant());
    }
    // 2. Title and icon.
    setWindowTitle(QString::fromStdString(m_work.Caption));
    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
    switch (m_work.Kind) {
    case mtWarning: icon = QStyle::SP_MessageBoxWarning; break;
    case mtError: icon = QStyle::SP_MessageBoxCritical; break;
    case mtInformation: icon = QStyle::SP_MessageBoxInformation; break;
    case mtConfirmation: icon = QStyle::SP_MessageBoxQuestion; break;
    default: break;
    }
    if (icon != QStyle::SP_CustomBase)
        m_image->setPixmap(style()->standardIcon(icon).pixmap(m_image->size()));
    else
        m_image->clear();
    m_image->setProperty("kind", int(m_work.Kind));

    // 3. Lines.
    int right = scaled(500);
    int lines = 0;
    for (std::size_t i = 0; i < m_work.Lines.size(); ++i) {
        auto& line = m_work.Lines[i];
        if (line.URL == "[_URL_Opt_]") {
            const std::string url = ui::optionUrlSource() ? ui::optionUrlSource()() : std::string();
            line.URL = url;
            line.Text = url;
        }
        auto* label = m_labels[i];
        label->setText(ui::toQ(line.Text));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, platform::toQColor(line.Color));
        label->setPalette(pal);
        if (!line.Text.empty())
            ++lines;
        if (!line.URL.empty()) {
            label->setCursor(Qt::PointingHandCursor);
            pal.setColor(QPalette::WindowText, platform::toQColor(ui::kLinkColour));
            label->setPalette(pal);
            QFont f = label->font();
            f.setUnderline(true);
            label->setFont(f);
            label->setProperty("url", ui::toQ(line.URL));
        }
        label->adjustSize();
        right = std::max(right, label->geometry().right() + 1);
    }

    // 4. Size.
    const int clientWidth = scaled(30) + right;
    if (lines < 2)
        m_textHeight = m_labels[2]->y();
    else if (lines <= 8)
        m_textHeight = m_labels[std::size_t(lines + 1)]->y();
    else
        m_textHeight = scaled(265);
    const int buttonPanel = scaled(38);
    const int clientHeight = buttonPanel + m_textHeight;
    setFixedSize(clientWidth, clientHeight);
    m_textPanel->setGeometry(0, 0, clientWidth, m_textHeight);
    m_buttonPanel->setGeometry(0, clientHeight - buttonPanel, clientWidth, buttonPanel);

    // 5. Buttons in table order, at most three.
    for (auto* b : m_buttons)
        b->hide();
    std::size_t shown = 0;
    for (unsigned bit = 0; bit < std::size(ui::kButtonKinds) && shown < 3; ++bit) {
        if (!(m_work.Buttons & (1u << bit)))
            continue;
        auto* b = m_buttons[shown];
        b->setText(QString::fromUtf8(ui::kButtonKinds[bit].caption));
        m_buttonResults[shown] = ui::kButtonKinds[bit].result;
        b->setEnabled(true);
        b->show();
        ++shown;
    }

    // 6. Placement across the width.
    const int g = scaled(10);
    const int bw = m_buttons[0]->width();
    const int top = (buttonPanel - m_buttons[0]->height()) / 2;
    if (shown == 1) {
        m_buttons[0]->move((clientWidth - bw) / 2, top);
    } else if (shown == 2) {
        const int middle = int(std::nearbyint(clientWidth / 2.0));
        m_buttons[0]->move(middle - g - bw, top);
        m_buttons[1]->move(middle + g, top);
    } else if (shown == 3) {
        const int second = (clientWidth - bw) / 2;
        m_buttons[0]->move(second - g - bw, top);
        m_buttons[1]->move(second, top);
        m_buttons[2]->move(second + bw + g, top);
    }
}

void TMessageBox2::btnButton1Click(int index)
{
    const int result = m_buttonResults[std::size_t(index)];
    if (result != platform::mrNone)
        setModalResult(result);
}

void TMessageBox2::btnAgreeClick()
{
    if (m_agreeMode == 1)
        m_buttons[0]->setEnabled(m_btnAgree->isChecked());
}

void TMessageBox2::labelClick(int index)
{
    auto* label = m_labels[std::size_t(index)];
    const QString url = label->property("url").toString();
    if (url.isEmpty())
        return;
    platform::openUrl(url.toStdString()); // failures are not reported
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, platform::toQColor(ui::kVisitedColour));
    label->setPalette(pal);
}

QString TMessageBox2::clipboardText() const
{
    const QString rule(27, QLatin1Char('-'));
    const QString crlf = QStringLiteral("\r\n");
    QString text = rule + crlf + windowTitle() + crlf + rule + crlf;
    for (const auto* label : m_labels)
        text += label->text() + crlf;
    return text;
}

void TMessageBox2::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    // The first button that can be pressed holds the focus at showing, so Return answers it.
    for (auto* b : m_buttons) {
        if (!b->isHidden() && b->isEnabled()) {
            b->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void TMessageBox2::doKeyDown(QKeyEvent& event)
{
    if (event.key() == Qt::Key_C && (event.modifiers() & Qt::ControlModifier)) {
        QGuiApplication::clipboard()->setText(clipboardText());
        event.accept();
    }
}
