#pragma once

#include "report/bindinfoparser.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace tarnwell {

class SerialControl;

// What the capture needs of the main window. The window implements it over its controls.
class BindInfoView {
public:
    virtual ~BindInfoView() = default;
    virtual void setInputLine(const QString &text) = 0;  // Text2
    virtual void clearReport() = 0;                      // Text3
    virtual void setReport(const QString &text) = 0;     // Text3, kept exactly (CR LF line ends)
    virtual void clearTerminal() = 0;                    // Text1
    // The whole terminal text exactly as received: CR, LF and control characters unchanged.
    virtual QString terminalText() const = 0;
    // Selects Opt_Sw3100 or Opt_Sw3600 (never called with None). Running the button's click
    // action here is fine: the capture writes the parsed model after this call.
    virtual void selectModelButton(ModelButton button) = 0;
};

// The Cmd_GetBindInfo capture: asks the switch for its running configuration, pages through the
// listing with nine spaces one second apart, and on the first tick of Timer1 parses the terminal
// text into the binding report. It reads nothing while capturing; the window's receive path
// fills the terminal meanwhile.
class BindInfoCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int kPagingSpaces = 9;
    static constexpr int kPagingPauseMs = 1000;
    static constexpr int kReportIntervalMs = 200;

    BindInfoCapture(SerialControl &serial, BindInfoView &view, QString &switchModel,
                    QObject *parent = nullptr);

    // The click on Cmd_GetBindInfo. Throws tarnwell::Error when a write fails: what was done
    // stays done and Timer1 is not started. A second call inside the pauses runs a whole second
    // capture there; each capture enables Timer1 when it finishes.
    void run();

    // Ends every capture in progress at its next pause (nothing further is sent and nothing is
    // touched) and stops a pending report. For the window's close; later runs work as usual.
    void cancel();
    // For a lost device: ends the captures in progress as cancel() does, and empties the input
    // line of the wait message as their last step would have, so it cannot be sent later. A
    // report already pending on Timer1 is still written on its tick.
    void stopRunning();

    QTimer &timer1() { return m_timer1; }

signals:
    // The report was written to the view.
    void reported(const QString &report);

private:
    void report();

    SerialControl &m_serial;
    BindInfoView &m_view;
    QString &m_switchModel;
    QTimer m_timer1;
    quint64 m_generation = 0; // advanced by cancel() and stopRunning()
    int m_running = 0;        // captures inside run(), nested ones included
};

} // namespace tarnwell
