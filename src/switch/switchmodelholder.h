#pragma once

#include "switch/switchmodel.h"

#include <QObject>

namespace tarnwell {

// The model of the switch the scripts and the report work for: one value with one writer (the
// session, for the model buttons and the capture's parser) and a signal when it changes.
class SwitchModelHolder : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    SwitchModel value() const { return m_value; }
    void set(SwitchModel model)
    {
        if (model == m_value)
            return;
        m_value = model;
        emit changed(model);
    }

signals:
    void changed(SwitchModel model);

private:
    SwitchModel m_value = initialSwitchModel();
};

} // namespace tarnwell
