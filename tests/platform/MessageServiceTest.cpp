#include "platform/MessageService.h"

#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageService, DefaultAnswerFollowsDefaultButtonFlag)
{
    struct Case { int flags; int expected; };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_OK | MB_DEFBUTTON3, IDOK}, // out of range: the first button
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaultAnswer(c.flags), c.expected) << c.flags;
}

TEST(MessageService, RecorderAnswersFromItsQueueAndRecordsText)
{
    testsupport::MessageRecorder rec;
    rec.answer(IDNO);
    EXPECT_EQ(messageBox("a\rb", "cap", MB_YESNO | MB_ICONWARNING), IDNO);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].kind, "warning");
    EXPECT_EQ(rec.boxes()[0].caption, "cap");
    EXPECT_EQ(rec.boxes()[0].text, "a\rb");
}
