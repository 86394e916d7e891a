#include "ui/lineeditinputs.h"

#include "switch/bindvalues.h"

#include <QLineEdit>
#include <QValidator>

namespace tarnwell {

namespace {

// Fixes the text in place: the line edit takes the changed text instead of what was inserted.
class SingleLineValidator : public QValidator {
public:
    SingleLineValidator(QLineEdit *edit, bool mac, std::shared_ptr<std::function<void(QLineEdit *)>> dropped)
        : QValidator(edit), m_edit(edit), m_mac(mac), m_dropped(std::move(dropped))
    {
    }
    State validate(QString &input, int &pos) const override
    {
        if (input.contains(u'\r') || input.contains(u'\n') || input.contains(u'\t')) {
            bool more = false;
            input = bindvalues::firstCell(input, &more);
            pos = int(input.size());
            if (more)
                QMetaObject::invokeMethod(m_edit, [edit = m_edit, said = m_dropped] {
                    if (edit && *said)
                        (*said)(edit);
                }, Qt::QueuedConnection);
        }
        if (m_mac) {
            const QString mac = bindvalues::switchMac(input);
            if (mac != input) {
                input = mac;
                pos = int(input.size());
            }
        }
        return Acceptable;
    }

private:
    QPointer<QLineEdit> m_edit;
    bool m_mac;
    std::shared_ptr<std::function<void(QLineEdit *)>> m_dropped;
};

} // namespace

void LineEditInputs::setBox(ScriptBox box, QLineEdit *edit)
{
    m_boxes[size_t(box)] = edit;
    if (edit) {
        edit->setValidator(new SingleLineValidator(edit, box == ScriptBox::Mac, m_cellsDropped));
        edit->setText(bindvalues::firstCell(edit->text()));
    }
}

QString LineEditInputs::text(ScriptBox box) const
{
    const QLineEdit *edit = m_boxes[size_t(box)];
    return edit ? edit->text() : QString();
}

SwitchModel LineEditInputs::switchModel() const
{
    return m_model ? m_model() : SwitchModel::Unknown;
}

} // namespace tarnwell
