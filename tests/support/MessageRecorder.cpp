#include "support/MessageRecorder.h"

#include <QDialog>
#include <QPointer>

#include <gtest/gtest.h>

namespace testsupport {

MessageRecorder::MessageRecorder() { platform::setMessageService(this); }

MessageRecorder::~MessageRecorder()
{
    platform::setMessageService(nullptr);
    // What the test prepared and nothing used means the road it expected was never taken.
    if (!m_answers.empty())
        ADD_FAILURE() << m_answers.size() << " queued message-box answer(s) never used";
    if (!m_picks.empty())
        ADD_FAILURE() << m_picks.size() << " queued picker result(s) never used";
    if (!m_dialogs.empty())
        ADD_FAILURE() << m_dialogs.size() << " dialog handler(s) never used";
}

std::vector<std::string> MessageRecorder::texts() const
{
    std::vector<std::string> out;
    for (const auto& b : m_boxes)
        out.push_back(b.text);
    return out;
}

int MessageRecorder::messageBox(const std::string& text, const std::string& caption, int flags)
{
    m_boxes.push_back({platform::kindOf(flags), caption, text, flags});
    if (!m_answers.empty()) {
        const Answer a = m_answers.front();
        m_answers.pop_front();
        if (!a.fragment.empty() && text.find(a.fragment) == std::string::npos)
            ADD_FAILURE() << "message box \"" << caption << " / " << text << "\" where \""
                          << a.fragment << "\" was expected";
        return a.id ? *a.id : platform::defaultAnswer(flags);
    }
    if (m_answerDefaults)
        return platform::defaultAnswer(flags);
    ADD_FAILURE() << "unexpected message box: " << caption << " / " << text;
    return platform::IDCANCEL;
}

std::optional<std::string> MessageRecorder::nextPick(const char* kind, const std::string& caption,
                                                     const std::string& text)
{
    m_boxes.push_back({kind, caption, text, 0});
    if (m_picks.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " picker: " << caption;
        return std::nullopt;
    }
    auto p = m_picks.front();
    m_picks.pop_front();
    return p;
}

std::optional<std::string> MessageRecorder::openFileName(const platform::FileDialogRequest& r)
{
    return nextPick("open", r.caption, r.fileName);
}

std::optional<std::string> MessageRecorder::saveFileName(const platform::FileDialogRequest& r)
{
    return nextPick("save", r.caption, r.fileName);
}

std::optional<std::string> MessageRecorder::folderName(const std::string& caption,
                                                       const std::string& initialDir)
{
    return nextPick("folder", caption, initialDir);
}

int MessageRecorder::execDialog(QDialog& dialog)
{
    m_boxes.push_back({"dialog", dialog.windowTitle().toStdString(),
                       dialog.objectName().toStdString(), 0});
    if (m_dialogs.empty()) {
        ADD_FAILURE() << "unexpected modal dialog: " << dialog.windowTitle().toStdString();
        return QDialog::Rejected;
    }
    auto handler = std::move(m_dialogs.front());
    m_dialogs.pop_front();
    // A dialog that frees itself on close may be gone when the handler returns, as exec()
    // allows.
    QPointer<QDialog> guard(&dialog);
    dialog.show();
    const int result = handler(dialog);
    if (guard)
        dialog.hide();
    return result;
}

} // namespace testsupport
