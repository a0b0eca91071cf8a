#pragma once

#include "platform/MessageService.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Installs itself as the message service for its lifetime. Answers come from a queue that the
// test fills before it acts; a box or picker with no queued answer fails the test (and is
// answered with Cancel / nothing) instead of blocking. An answer, pick or dialog handler still
// queued when the recorder goes fails the test too. clear() forgets the record, not the queues.
class MessageRecorder final : public platform::MessageService {
public:
    struct Box {
        std::string kind; // "information", "warning", "error", "question", "none", "open",
                          // "save", "folder" or "dialog"
        std::string caption;
        std::string text;
        int flags = 0;
    };

    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Queue the answer for the next message box (an ID* value).
    void answer(int id) { m_answers.push_back({id, {}}); }
    // Queue the answer for the next message box, which must show `fragment` in its text; with
    // no id the box takes its default button.
    void expectBox(std::string fragment, std::optional<int> id = std::nullopt)
    {
        m_answers.push_back({id, std::move(fragment)});
    }
    // Every box without a queued answer takes its default button.
    void answerDefaults(bool on = true) { m_answerDefaults = on; }
    // Queue the result of the next picker (nullopt: the user cancels).
    void pick(std::optional<std::string> path) { m_picks.push_back(std::move(path)); }
    // Handle the next modal dialog: the callback runs with the dialog shown (not modal) and
    // returns the result exec() would have given.
    void onDialog(std::function<int(QDialog&)> handler) { m_dialogs.push_back(std::move(handler)); }

    const std::vector<Box>& boxes() const { return m_boxes; }
    std::vector<std::string> texts() const;
    void clear() { m_boxes.clear(); }

    int messageBox(const std::string& text, const std::string& caption, int flags) override;
    std::optional<std::string> openFileName(const platform::FileDialogRequest& r) override;
    std::optional<std::string> saveFileName(const platform::FileDialogRequest& r) override;
    std::optional<std::string> folderName(const std::string& caption,
                                          const std::string& initialDir) override;
    int execDialog(QDialog& dialog) override;

private:
    std::optional<std::string> nextPick(const char* kind, const std::string& caption,
                                        const std::string& text);

    struct Answer {
        std::optional<int> id; // nullopt: the box's default button
        std::string fragment;  // the text the box must show, empty: any
    };
    std::deque<Answer> m_answers;
    std::deque<std::optional<std::string>> m_picks;
    std::deque<std::function<int(QDialog&)>> m_dialogs;
    std::vector<Box> m_boxes;
    bool m_answerDefaults = false;
};

} // namespace testsupport
