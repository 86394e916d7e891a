#include "scripts/scriptinputs.h"

#include <QLineEdit>

namespace tarnwell {

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
