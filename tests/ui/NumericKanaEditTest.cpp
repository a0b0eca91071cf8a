// The data-entry edit driven by keys in a real form: filters, zero keys, automatic moves,
// separators, kana capture and the input-method state.
#include "UiTestSupport.h"

#include "support/MessageRecorder.h"
#include "ui/NumericKanaEdit.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

#include <vector>

namespace {

// Keys: printable characters are typed; "\t" Tab, "\x19" Shift+Tab, "\r" Enter,
// "\x1e" Up, "\x1f" Down, "\x1c" Left, "\x1d" Right.
void press(QWidget* w, const std::string& keys)
{
    for (char c : keys) {
        switch (c) {
        case '\t': QTest::keyClick(w, Qt::Key_Tab); break;
        case '\x19': QTest::keyClick(w, Qt::Key_Backtab, Qt::ShiftModifier); break;
        case '\r': QTest::keyClick(w, Qt::Key_Return); break;
        case '\x1e': QTest::keyClick(w, Qt::Key_Up); break;
        case '\x1f': QTest::keyClick(w, Qt::Key_Down); break;
        case '\x1c': QTest::keyClick(w, Qt::Key_Left); break;
        case '\x1d': QTest::keyClick(w, Qt::Key_Right); break;
        default: QTest::keyClick(w, c); break;
        }
    }
}

class EditForm : public QWidget {
public:
    EditForm()
    {
        auto* layout = new QVBoxLayout(this);
        prev = new QLineEdit(this);
        prev->setObjectName(QStringLiteral("prev"));
        edit = new TMorabyEdit(this);
        edit->setObjectName(QStringLiteral("edit"));
        next = new QLineEdit(this);
        next->setObjectName(QStringLiteral("next"));
        layout->addWidget(prev);
        layout->addWidget(edit);
        layout->addWidget(next);
    }
    QLineEdit* prev;
    TMorabyEdit* edit;
    QLineEdit* next;
};

struct Case {
    const char* name;
    TEditStyle style;
    int maxLength;
    TAutoNextCtls autoNext;
    TZeroKey zero2;
    TZeroKey zero3;
    const char* start; // caret at the end; "*" prefix: the whole text selected
    std::string keys;
    const char* text;
    const char* focus;
    TAutoNextCtls lastKeyPressResult;
};

TEST(NumericKanaEdit, KeyRulesTable)
{
    const std::vector<Case> cases = {
        {"minus on empty", esNumericMinus, 0, {}, zkNone, zkNone, "", "-", "-", "edit", {}},
        {"minus after digits", esNumericMinus, 0, {}, zkNone, zkNone, "12", "-", "12", "edit", {}},
        {"minus over whole selection", esNumericMinus, 0, {}, zkNone, zkNone, "*12", "-", "-",
         "edit", {}},
        {"point on empty", esFloat, 0, {}, zkNone, zkNone, "", ".", "", "edit", {}},
        {"point after digit, second refused", esFloat, 0, {}, zkNone, zkNone, "", "1..", "1.",
         "edit", {}},
        {"letters refused by number style", esNumeric, 0, {}, zkNone, zkNone, "", "a1b", "1",
         "edit", {}},
        {"dot key is a point in float style", esFloat, 0, {}, zkDot, zkNone, "1", ".", "1.",
         "edit", {}},
        {"dot key types 00 in integer style", esNumeric, 0, {}, zkDot, zkNone, "1", ".", "100",
         "edit", {}},
        {"minus key needed for the sign", esNumericMinus, 0, {}, zkMinus, zkNone, "", "-", "-",
         "edit", {}},
        {"full field moves on", esNumeric, 4, {acMaxLength}, zkNone, zkNone, "123", "4", "1234",
         "next", {}},
        {"full field with send-enter stays", esNumeric, 4, {acMaxLength, acSendEnter}, zkNone,
         zkNone, "123", "4", "1234", "edit", {acMaxLength, acSendEnter}},
        {"000 key cut to the limit", esNumeric, 5, {}, zkNone, zkAsterisk, "1234", "*", "12340",
         "edit", {}},
        {"Enter moves on by default", esNone, 0, {}, zkNone, zkNone, "ab", "\r", "ab", "next", {}},
        {"arrows stay by default", esNone, 0, {}, zkNone, zkNone, "ab",
         "\x1e\x1f\x1c\x1c\x1c\x1d\x1d\x1d", "ab", "edit", {}},
        {"Tab ends the entry when asked", esNone, 0, {acTabKey}, zkNone, zkNone, "ab", "\t", "ab",
         "edit", {acTabKey, acSendEnter}},
        {"Shift+Tab moves back regardless", esNone, 0, {acTabKey}, zkNone, zkNone, "ab", "\x19",
         "ab", "prev", {}},
        {"Tab moves on otherwise", esNone, 0, {}, zkNone, zkNone, "ab", "\t", "ab", "next", {}},
        {"Down reports instead of moving", esNone, 0, {acDownKey}, zkNone, zkNone, "ab", "\x1f",
         "ab", "edit", {}},
        {"text limit counts CP932 bytes", esNone, 5, {}, zkNone, zkNone, "", "abcdef", "abcde",
         "edit", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditForm form;
        TMorabyEdit* e = form.edit;
        e->setEditStyle(c.style);
        e->setMaxLength(c.maxLength);
        e->setAutoNextCtls(c.autoNext);
        e->setZero2Key(c.zero2);
        e->setZero3Key(c.zero3);
        TAutoNextCtls seen;
        e->OnKeyPress = [&](QChar&) { seen = e->AutoNextCtls_Result(); };
        uitest::showActive(form);
        e->setFocus();
        std::string start = c.start;
        const bool selectAll = !start.empty() && start[0] == '*';
        e->setText(QString::fromStdString(selectAll ? start.substr(1) : start));
        if (selectAll)
            e->selectAll();
        else
            e->end(false);
        press(e, c.keys);
        EXPECT_EQ(e->text().toStdString(), c.text);
        EXPECT_EQ(uitest::focusName(), c.focus);
        EXPECT_EQ(seen.bits(), c.lastKeyPressResult.bits());
    }
}

TEST(NumericKanaEdit, SeparatorsWhileTypingAndOnLeaving)
{
    EditForm form;
    TMorabyEdit* e = form.edit;
    e->setEditStyle(esNumeric);
    e->setOutputFormat(QStringLiteral("#,##0"));
    e->setComma(true);
    std::vector<std::string> shown;
    e->OnChange = [&] { shown.push_back(e->text().toStdString()); };
    uitest::showActive(form);
    e->setFocus();
    press(e, "1234");
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "12", "123", "1,234"}));
    EXPECT_EQ(e->cursorPosition(), 5);

    // Separators off while typing: added on leaving, gone again on entry, all selected.
    e->setComma(false);
    e->setText(QStringLiteral("1234"));
    form.next->setFocus();
    EXPECT_EQ(e->text().toStdString(), "1,234");
    e->setFocus();
    EXPECT_EQ(e->text().toStdString(), "1234");
    EXPECT_EQ(e->selectedText().toStdString(), "1234");
}

TEST(NumericKanaEdit, PatternFormatting)
{
    const struct {
        double value;
        const char* pattern;
        const char* text;
    } cases[] = {{1234, "#,##0", "1,234"},  {0, "#,##0", "0"},           {-1234567, "#,##0", "-1,234,567"},
                 {12.5, "#,##0.00", "12.50"}, {1234.567, "0.0#", "1234.57"}, {0.4, "#", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::formatNumberPattern(c.value, QString::fromLatin1(c.pattern)).toStdString(),
                  c.text)
            << c.value << " " << c.pattern;
}

void compose(QWidget* w, const QString& preedit, const QString& commit)
{
    QInputMethodEvent ev(preedit, {});
    if (!commit.isNull())
        ev.setCommitString(commit);
    QApplication::sendEvent(w, &ev);
}

TEST(NumericKanaEdit, KanaReadingAndInputMethodState)
{
    EditForm form;
    TMorabyEdit* e = form.edit;
    e->setKanaMode(kmHankaku);
    std::vector<bool> states;
    e->OnImeStatusChange = [&] { states.push_back(e->ImeOnFlg()); };
    uitest::showActive(form);
    e->setFocus();
    compose(e, QStringLiteral("か"), QString());
    compose(e, QStringLiteral("かな"), QString());
    EXPECT_TRUE(e->ImeOnFlg());
    compose(e, QString(), QStringLiteral("かな"));
    EXPECT_FALSE(e->ImeOnFlg());
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
    EXPECT_EQ(e->Kana().toStdString(), "ｶﾅ");

    form.next->setFocus();
    e->setFocus();
    compose(e, QStringLiteral("た"), QString());
    compose(e, QString(), QStringLiteral("た"));
    EXPECT_EQ(e->Kana().toStdString(), "ｶﾅﾀ") << "the earlier reading is kept";
    EXPECT_EQ(e->text().toStdString(), "かなた");

    e->setKanaMode(kmZenkaku);
    e->setKana(QString());
    compose(e, QString(), QStringLiteral("き"));
    EXPECT_EQ(e->Kana().toStdString(), "キ");
}

// Input-method sequences: each step is (composition text, committed text; null = none).
TEST(NumericKanaEdit, AConvertedEntryTakesTheKanaComposedBeforeItsCommit)
{
    using Step = std::pair<const char*, const char*>;
    const struct {
        const char* name;
        std::vector<Step> steps;
        const char* text;
        const char* kana;
    } cases[] = {
        {"converted to kanji",
         {{"か", nullptr}, {"かぶしき", nullptr}, {"かぶしきがいしゃ", nullptr},
          {"株式会社", nullptr}, {"", "株式会社"}},
         "株式会社", "カブシキガイシャ"},
        {"a commit that starts the next composition",
         {{"やまだ", nullptr}, {"山田", nullptr}, {"かわ", "山田"}, {"", "川"}}, "山田川",
         "ヤマダカワ"},
        {"first part committed, the rest still composed",
         {{"かぶしきがいしゃ", nullptr}, {"株式がいしゃ", nullptr}, {"がいしゃ", "株式"},
          {"会社", nullptr}, {"", "会社"}},
         "株式会社", "カブシキガイシャ"},
        {"plain kana as typed", {{"かな", nullptr}, {"", "かな"}}, "かな", "カナ"},
        {"cancelled composition leaves no reading", {{"あ", nullptr}, {"", nullptr}, {"", "A"}},
         "A", ""},
        {"a commit without composition has no reading", {{"", "東京"}}, "東京", ""},
    };
    for (const auto& c : cases) {
        EditForm form;
        TMorabyEdit* e = form.edit;
        e->setKanaMode(kmZenkaku);
        uitest::showActive(form);
        e->setFocus();
        for (const auto& [preedit, commit] : c.steps)
            compose(e, QString::fromUtf8(preedit),
                    commit ? QString::fromUtf8(commit) : QString());
        EXPECT_EQ(e->text().toStdString(), c.text) << c.name;
        EXPECT_EQ(e->Kana().toStdString(), c.kana) << c.name;
    }
}

TEST(NumericKanaEdit, ListNameLimitCountsFullWidthAsTwoBytes)
{
    EditForm form;
    TMorabyEdit* e = form.edit;
    e->setMaxLength(40);
    uitest::showActive(form);
    e->setFocus();
    compose(e, QString(), QString(21, QChar(u'あ')));
    EXPECT_EQ(e->text(), QString(20, QChar(u'あ')));
    press(e, "a");
    EXPECT_EQ(e->text(), QString(20, QChar(u'あ')));
}

} // namespace

// A character with no CP932 form (a surname's 𠮷) is refused as it comes, with one box for each
// attempt, however it arrives: a composed string, one key with both surrogate halves, two keys
// with one half each, or a paste. The byte counter never throws.
TEST(NumericKanaEdit, ACharacterWithoutCp932FormIsRefusedAsItIsTyped)
{
    const QString yoshi = QString::fromUcs4(U"\U00020BB7");
    EXPECT_EQ(ui::cp932Length(yoshi + QStringLiteral("田")), 4);
    EXPECT_EQ(ui::nonCp932Characters(QStringLiteral("山") + yoshi + QStringLiteral("田") + yoshi), yoshi);

    testsupport::MessageRecorder rec;
    rec.answerDefaults();
    EditForm form;
    TMorabyEdit* e = form.edit;
    e->setMaxLength(40);
    e->setImeMode(TMorabyEdit::imHira);
    uitest::showActive(form);
    e->setFocus();

    compose(e, QString(), yoshi + QStringLiteral("田"));
    EXPECT_EQ(e->text(), QStringLiteral("田"));

    QKeyEvent both(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, yoshi);
    QApplication::sendEvent(e, &both);
    EXPECT_EQ(e->text(), QStringLiteral("田"));

    QTest::sendKeyEvent(QTest::KeyAction::Click, e, Qt::Key_unknown, yoshi[0], Qt::NoModifier);
    QTest::sendKeyEvent(QTest::KeyAction::Click, e, Qt::Key_unknown, yoshi[1], Qt::NoModifier);
    EXPECT_EQ(e->text(), QStringLiteral("田"));

    QApplication::clipboard()->setText(yoshi + QStringLiteral("子"));
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->text(), QStringLiteral("田"));

    compose(e, QString(), QStringLiteral("中"));
    EXPECT_EQ(e->text(), QStringLiteral("田中")) << "the edit goes on working";

    const std::string box = "「" + yoshi.toStdString() + "」は入力できない文字です。";
    EXPECT_EQ(rec.texts(), (std::vector<std::string>(4, box)));
    for (const auto& b : rec.boxes())
        EXPECT_EQ(b.kind, "warning");
}
