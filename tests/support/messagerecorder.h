#pragma once

#include "base/usermessages.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <functional>

namespace tarnwell::test {

// Installs itself as the message-box function for its lifetime and records every box instead of
// showing it. onShown, when set, runs while the "box is open" (inside the handler), as a user
// would act before pressing OK.
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
    }
    ~MessageRecorder()
    {
        setMessageBoxHandler(m_previous);
        setQuestionHandler(m_previousQuestion);
    }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<Box> boxes;
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
};

} // namespace tarnwell::test
