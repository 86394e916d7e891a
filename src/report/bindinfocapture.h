#pragma once

#include "report/bindinfoparser.h"

#include <QObject>
#include <QPointer>
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
// text into the binding report. The window's receive path fills the terminal meanwhile.
//
// A real console pages 24 lines a screen, so a long listing (48 ports with bindings) needs more
// than the nine spaces: as long as the terminal text then ends at the paging prompt (judged once
// the line has been quiet for a moment), one more space follows a second later, up to
// kExtraSpaces. A listing that ends within ten screens gets exactly the nine spaces. When the
// switch still pages after the last one, the report is built from what arrived and a message
// names the last port it holds.
class BindInfoCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int kPagingSpaces = 9;
    static constexpr int kPagingPauseMs = 1000;
    static constexpr int kReportIntervalMs = 200;
    static constexpr int kExtraSpaces = 60;
    // The line counts as quiet after this long without received text; a page at 9600 baud
    // arrives in a stream with much shorter gaps.
    static constexpr int kQuietMs = 300;
    static constexpr int kMaxQuietWaitMs = 5000;

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
    // Waits until nothing has been received for kQuietMs (at most kMaxQuietWaitMs). False when
    // the capture was ended meanwhile.
    bool waitForQuiet(const QPointer<BindInfoCapture> &alive, quint64 generation);

    SerialControl &m_serial;
    BindInfoView &m_view;
    QString &m_switchModel;
    QTimer m_timer1;
    quint64 m_generation = 0; // advanced by cancel() and stopRunning()
    int m_running = 0;        // captures inside run(), nested ones included
    quint32 m_lastReceived = 0; // Delay clock reading at the last receive
    bool m_cutOff = false;      // the pending report's listing was still paging
};

} // namespace tarnwell
