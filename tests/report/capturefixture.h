#pragma once

#include "report/bindinfocapture.h"

#include <QObject>
#include <QStringList>

namespace tarnwell::test {

// The window's side of the capture: records what the capture does to the controls, appends
// received text to the terminal like the receive path does, and runs the model buttons' click
// action (setting the model to the button's value).
class RecordingView : public QObject, public BindInfoView {
    Q_OBJECT
public:
    RecordingView(SerialControl &serial, QString &switchModel);

    void setInputLine(const QString &text) override;
    void clearReport() override;
    void setReport(const QString &text) override;
    void clearTerminal() override;
    QString terminalText() const override;
    void selectModelButton(ModelButton button) override;

    QString inputLine;
    QString report = QStringLiteral("(old report)");
    QString terminal = QStringLiteral("(old terminal)");
    QStringList log;              // every call, in order
    QStringList terminalAtReport; // terminal text each time a report was written
    QList<ModelButton> selections;

private:
    SerialControl &m_serial;
    QString &m_switchModel;
};

} // namespace tarnwell::test
