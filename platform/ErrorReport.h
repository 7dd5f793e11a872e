#pragma once

// In place of the message boxes (AfxMessageBox, MessageBox): the logic layers
// report through this interface and get back the button pressed. The shell
// implements it with a dialog that takes the text of a numbered message from
// the language pack and lays it out right to left when the pack says so;
// tests use RecordingErrorReport.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kavitro {

// The button sets and icons a message box offers, in the order of the
// Windows flags they stand for (MB_OK ... MB_RETRYCANCEL, MB_ICONERROR ...).
enum class MessageButtons : std::uint8_t { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageIcon : std::uint8_t { None, Error, Warning, Information, Question };

// The button pressed; the values are the Windows ids (IDOK = 1 ... IDNO = 7).
enum class DialogResult : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct ErrorMessage {
    std::uint32_t stringId = 0;  // a numbered string of the language pack, or 0 for text
    std::u16string text;         // the text when stringId is 0
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Error;
    // A failure with a file: the file it concerns and a numbered string
    // saying why, each on a line of its own below the message.
    std::u16string file;
    std::uint32_t reasonId = 0;

    friend bool operator==(const ErrorMessage&, const ErrorMessage&) = default;
};

// The text a message box shows, with the numbered strings looked up by
// `text`. The file name is set apart as a unit of its own reading direction
// (U+2068 ... U+2069), so that a Persian name in a left-to-right box, or a
// Latin one in a right-to-left box, keeps its order.
template <typename TextOf>
std::u16string MessageText(const ErrorMessage& message, const TextOf& text) {
    std::u16string out = message.stringId != 0 ? std::u16string(text(message.stringId)) : message.text;
    if (!message.file.empty()) out += u"\n\u2068" + message.file + u"\u2069";
    if (message.reasonId != 0) out += u"\n" + std::u16string(text(message.reasonId));
    return out;
}

// The buttons a set offers, in order; the first is the default button.
inline std::vector<DialogResult> ButtonsOf(MessageButtons buttons) {
    using R = DialogResult;
    switch (buttons) {
        case MessageButtons::Ok: return {R::Ok};
        case MessageButtons::OkCancel: return {R::Ok, R::Cancel};
        case MessageButtons::AbortRetryIgnore: return {R::Abort, R::Retry, R::Ignore};
        case MessageButtons::YesNoCancel: return {R::Yes, R::No, R::Cancel};
        case MessageButtons::YesNo: return {R::Yes, R::No};
        case MessageButtons::RetryCancel: return {R::Retry, R::Cancel};
    }
    return {R::Ok};
}

class ErrorReport {
public:
    virtual ~ErrorReport() = default;

    DialogResult ReportError(std::uint32_t stringId, MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::Error) {
        return Show(ErrorMessage{stringId, {}, buttons, icon, {}, 0});
    }
    DialogResult ReportError(std::u16string text, MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::Error) {
        return Show(ErrorMessage{0, std::move(text), buttons, icon, {}, 0});
    }

    // A failure concerning a file: the message, the file and why.
    DialogResult ReportFileError(std::uint32_t stringId, std::u16string file, std::uint32_t reasonId,
                                 MessageIcon icon = MessageIcon::Error) {
        return Show(ErrorMessage{stringId, {}, MessageButtons::Ok, icon, std::move(file), reasonId});
    }

protected:
    // Shows the message and returns one of the buttons of its set.
    virtual DialogResult Show(const ErrorMessage& message) = 0;
};

// Records every report in order and answers with the queued answers, in
// order; with none queued, with the default (first) button. A queued answer
// that the box does not offer is a test error (std::logic_error).
class RecordingErrorReport : public ErrorReport {
public:
    void QueueAnswer(DialogResult answer) { m_answers.push_back(answer); }
    const std::vector<ErrorMessage>& Reports() const { return m_reports; }
    void Clear() {
        m_reports.clear();
        m_answers.clear();
    }

protected:
    DialogResult Show(const ErrorMessage& message) override {
        m_reports.push_back(message);
        const std::vector<DialogResult> offered = ButtonsOf(message.buttons);
        if (m_answers.empty())
            return offered.front();
        const DialogResult answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        for (DialogResult b : offered) {
            if (b == answer)
                return answer;
        }
        throw std::logic_error("RecordingErrorReport: queued answer is not a button of the message box");
    }

private:
    std::vector<ErrorMessage> m_reports;
    std::vector<DialogResult> m_answers;
};

}  // namespace kavitro
