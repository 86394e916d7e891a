#pragma once

#include "base/usermessages.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <functional>

namespace tarnwell::test {

// Installs itself as the message-box and notice functions for its lifetime and records every box
// and notice instead of showing it. onShown, when set, runs while the "box is open" (inside the
// handler), as a user would act before pressing OK.
class MessageRecorder {
public:
    struct Box {
        QString text;
        QString title;
    };

    MessageRecorder()
    {
        m_previous = setMessageBoxHandler([this](const QString &text, const QString &title) {
            boxes.append({text, title});
            if (onShown)
                onShown(boxes.last());
        });
        m_previousQuestion = setQuestionHandler([this](const QString &text, const QString &, const QString &,
                                                       const QString &) {
            questions.append(text);
            return answer;
        });
        m_previousNotice = setNoticeHandler([this](const QString &text, const QString &title) { notices.append({text, title}); });
    }
    ~MessageRecorder()
    {
        setMessageBoxHandler(m_previous);
        setQuestionHandler(m_previousQuestion);
        setNoticeHandler(m_previousNotice);
    }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<Box> boxes;
    QList<Box> notices; // each notice shown or updated; an empty text closed it
    QString notice() const { return notices.isEmpty() ? QString() : notices.constLast().text; } // up now
    std::function<void(const Box &)> onShown;
    QStringList questions; // every question asked, answered with `answer`
    bool answer = true;

    QStringList texts() const
    {
        QStringList out;
        for (const Box &b : boxes)
            out << b.text;
        return out;
    }

private:
    MessageBoxHandler m_previous;
    QuestionHandler m_previousQuestion;
    MessageBoxHandler m_previousNotice;
};

} // namespace tarnwell::test
