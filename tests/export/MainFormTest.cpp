#include "export/MainForm.h"

#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWindow>

#include <gtest/gtest.h>

using Calls = std::vector<std::string>;
using testsupport::TestCaller;

namespace {

constexpr const char* kInvalidArgument =
    "不正な引数が渡されました。\r\rアプリケーションを強制終了します。";

class MainFormTest : public ::testing::Test {
protected:
    // What the window system sends when the user clicks the close box.
    static void closeBox(TForm1& form)
    {
        QCloseEvent request;
        QCoreApplication::sendEvent(form.windowHandle(), &request);
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable, m_dir.str().c_str()};
    testsupport::MessageRecorder m_boxes;
};

} // namespace

TEST(ReadCommandLine, AcceptsOneParameterOfFourFields)
{
    struct Case {
        std::vector<std::string> params;
        std::int64_t window;
        std::int32_t message;
        std::int32_t functionId;
        std::string file;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, ""},
        {{"77,1025,3,/tmp/o.xml"}, 77, 1025, 3, "/tmp/o.xml"},
        {{"1234,1025,0,/tmp/dir with blank/o.xml"}, 1234, 1025, 0, "/tmp/dir with blank/o.xml"},
        {{"77,1025,3,/tmp/a,b.xml"}, 77, 1025, 3, "/tmp/a"},
        {{"77,1025,3"}, 77, 1025, 3, ""},
        {{"77,1025,3,"}, 77, 1025, 3, ""},
        {{"77\r\n1025\n3\r/x.xml"}, 77, 1025, 3, "/x.xml"},
        {{"-5,+1025,-2147483648,出力.xml"}, -5, 1025, -2147483648, "出力.xml"},
        {{"4294967296,2147483647,0, o.xml "}, 4294967296LL, 2147483647, 0, " o.xml "},
    };
    for (const auto& c : cases) {
        const auto line = ReadCommandLine(c.params);
        const std::string what = c.params.empty() ? "(none)" : c.params.front();
        ASSERT_TRUE(line.has_value()) << what;
        EXPECT_EQ(line->callerWindow, c.window) << what;
        EXPECT_EQ(line->messageNumber, c.message) << what;
        EXPECT_EQ(line->functionId, c.functionId) << what;
        EXPECT_EQ(line->outputFile, c.file) << what;
    }
}

TEST(ReadCommandLine, RefusesMoreParametersAndFieldsThatAreNotDecimalIntegers)
{
    const std::vector<std::vector<std::string>> cases = {
        {"77,1025,3,/tmp/dir", "with blank.xml"},
        {"", ""},
        {""},
        {"77,1025"},
        {"77,1025,,/tmp/o.xml"},
        {",1025,3,/tmp/o.xml"},
        {"77,abc,3,/tmp/o.xml"},
        {"77,1025,3.0,/tmp/o.xml"},
        {"0x4D,1025,3,/tmp/o.xml"},
        {"$4D,1025,3,/tmp/o.xml"},
        {" 77,1025,3,/tmp/o.xml"},
        {"77 ,1025,3,/tmp/o.xml"},
        {"+,1025,3,/tmp/o.xml"},
        {"77,-,3,/tmp/o.xml"},
        {"77,1025,2147483648,/tmp/o.xml"},
        {"77,-2147483649,3,/tmp/o.xml"},
        {"9223372036854775808,1025,3,/tmp/o.xml"},
        {"７７,1025,3,/tmp/o.xml"},
    };
    for (const auto& params : cases)
        EXPECT_FALSE(ReadCommandLine(params).has_value()) << params.front();
}

TEST_F(MainFormTest, CallerIsDisabledAtCreationAndToldOnceAtTheEnd)
{
    TestCaller caller(77);
    {
        TForm1 form({"77,1025,3,/tmp/o.xml"});
        ASSERT_FALSE(form.terminated());
        EXPECT_EQ(form.completionCode(), kCompletionFailed);
        EXPECT_EQ(form.caller().handle(), 77);
        EXPECT_EQ(form.messageNumber(), 1025);
        EXPECT_EQ(form.functionId(), 3);
        EXPECT_EQ(form.callerOutputFile(), "/tmp/o.xml");
        EXPECT_EQ(form.windowTitle(), QStringLiteral("連動ﾃﾞｰﾀの作成"));
        // Before the window shows.
        EXPECT_EQ(caller.received(), Calls {"DISABLE"});

        ASSERT_TRUE(form.InitApplication());
        form.show();
        closeBox(form);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.completionCode(), kCompletionCancelled);
        EXPECT_EQ(caller.received(), Calls {"DISABLE"}) << "nothing until the form goes away";
    }
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 1"}));
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(MainFormTest, CompletionCodeReportedIsTheLastOneSet)
{
    struct Case {
        const char* param;
        int setCode;       // -1: leave as created
        bool closeByCode;  // the program's own close(), not the close box
        std::string post;
    };
    const Case cases[] = {
        {"77,1025,3,/tmp/o.xml", -1, false, "POST 1025 3 2"},                 // start-up failure
        {"77,1025,3,/tmp/o.xml", kCompletionWritten, true, "POST 1025 3 0"},  // file written
        {"77,1025,3,/tmp/o.xml", kCompletionCancelled, true, "POST 1025 3 1"},
        {"77,1026,0,", kCompletionWritten, true, "POST 1026 0 0"},            // raw function id
    };
    for (const auto& c : cases) {
        TestCaller caller(77);
        {
            TForm1 form({c.param});
            if (c.setCode >= 0)
                form.setCompletionCode(c.setCode);
            if (c.closeByCode) {
                form.show();
                form.close();
                EXPECT_FALSE(form.isVisible());
            }
        }
        EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", c.post}))
            << c.param;
    }
}

TEST_F(MainFormTest, InvalidCommandLineEndsWithoutTellingAnyone)
{
    const std::vector<std::vector<std::string>> cases = {
        {"77,1025,3,/tmp/dir", "with blank.xml"},
        {"77,x,3,/tmp/o.xml"},
    };
    for (const auto& params : cases) {
        TestCaller caller(77);
        m_boxes.clear();
        m_boxes.answer(platform::IDOK);
        {
            TForm1 form(params);
            EXPECT_TRUE(form.terminated());
            EXPECT_EQ(form.completionCode(), kCompletionFailed);
            EXPECT_FALSE(form.caller().hasCaller());
        }
        ASSERT_EQ(m_boxes.boxes().size(), 1u) << params.front();
        EXPECT_EQ(m_boxes.boxes()[0].kind, "error");
        EXPECT_EQ(m_boxes.boxes()[0].text, kInvalidArgument);
        EXPECT_TRUE(caller.received().empty()) << params.front();
    }
}

TEST_F(MainFormTest, StandaloneSendsNothing)
{
    TestCaller zero(0);
    {
        TForm1 form({});
        EXPECT_FALSE(form.terminated());
        EXPECT_FALSE(form.caller().hasCaller());
        EXPECT_EQ(form.functionId(), 0);
        EXPECT_EQ(form.callerOutputFile(), "");
        form.show();
        closeBox(form);
        EXPECT_EQ(form.completionCode(), kCompletionCancelled);
    }
    EXPECT_TRUE(zero.received().empty());
    EXPECT_TRUE(m_boxes.boxes().empty());
}
