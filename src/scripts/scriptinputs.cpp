#include "scripts/scriptinputs.h"

#include <QLineEdit>
#include <QValidator>

namespace tarnwell {

namespace {

// Fixes the text in place: the line edit takes the changed text instead of what was inserted.
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        const QString before = input.left(pos);
        input = withoutLineBreaks(input);
        pos = int(withoutLineBreaks(before).size());
        return Acceptable;
    }
};

} // namespace

QString withoutLineBreaks(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    text.remove(u'\t');
    return text;
}

void LineEditInputs::setBox(ScriptBox box, QLineEdit *edit)
{
    m_boxes[size_t(box)] = edit;
    if (edit) {
        edit->setValidator(new SingleLineValidator(edit));
        edit->setText(withoutLineBreaks(edit->text()));
    }
}

QString LineEditInputs::text(ScriptBox box) const
{
    const QLineEdit *edit = m_boxes[size_t(box)];
    return edit ? edit->text() : QString();
}

QString LineEditInputs::switchModel() const
{
    return m_model ? m_model() : QString();
}

void LineEditInputs::clearInputLine()
{
    if (!m_inputLine)
        return;
    m_inputLine->clear();
    m_inputLine->setFocus();
}

} // namespace tarnwell
