#pragma once

#include "report/bindinfoparser.h"
#include "engine/operationengine.h"
#include "switch/switchmodelholder.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace tarnwell {

class SerialControl;
class Terminal;

// What the capture needs of the main window. The window implements it over its controls.
class BindInfoView {
public:
    virtual ~BindInfoView() = default;
    virtual void setInputLine(const QString &text) = 0;  // Text2
    virtual void clearReport() = 0;                      // Text3
    virtual void setReport(const QString &text) = 0;     // Text3, kept exactly (CR LF line ends)
    // Selects Opt_Sw3100 or Opt_Sw3600 (never called with None); the capture sets the parsed
    // model after this call.
    virtual void selectModelButton(ModelButton button) = 0;
};

// Where received text stands for the capture: at the paging prompt "---- More ----", at the
// switch's command prompt ("<name>" or "[name]") that follows the end of a listing, or in
// between. Asynchronous log lines after either prompt are ignored.
enum class ListingEnd { Neither, More, Prompt };
ListingEnd listingEnd(QStringView text);
// True when the text holds a configuration listing (its "#" lines) or a paging prompt.
bool holdsListing(QStringView text);

// The Cmd_GetBindInfo capture: asks the switch for its running configuration, pages through the
// listing with nine spaces one second apart, and on the first tick of Timer1 parses the terminal
// text into the binding report. The session's receive path fills the terminal meanwhile.
//
// A real console pages 24 lines a screen at the line's pace, so a long listing (48 ports with
// bindings) needs more than the nine spaces. From the ninth on the capture reads the terminal
// until it ends at the switch's command prompt (not before the ninth space's pause is over),
// sending a space whenever new text ends at the paging prompt. It gives up after kSilenceMs without a byte, kExtraSpaces extra spaces or kTotalMs in
// all; a closed or lost port ends it at once. Then the report shows what came and a message says
// why it is incomplete, naming the last port in it. A listing that ends within ten screens gets
// exactly the nine spaces. No listing within kNoListingMs of the command: a message says so.
//
// The capture is an operation on the engine from the click to its last space, so no script or
// paste interleaves with it, and it does not start while one runs.
class BindInfoCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int kPagingSpaces = 9;
    static constexpr int kPagingPauseMs = 1000;
    static constexpr int kReportIntervalMs = 200;
    static constexpr int kExtraSpaces = 60;
    static constexpr int kSilenceMs = 20000;
    static constexpr int kTotalMs = 90000;
    static constexpr int kNoListingMs = 10000;
    // How often the terminal is read after the nine spaces: the delay a page end waits for its
    // space, against a few wake-ups a second.
    static constexpr int kPollMs = 50;
    static constexpr char kWaitText[] = "稍等，结果出来~~";
    static constexpr char kOperationName[] = "取端口列表";

    // engine: runs the capture as one operation among the scripts and pastes.
    BindInfoCapture(SerialControl &serial, Terminal &terminal, BindInfoView &view, SwitchModelHolder &switchModel,
                    OperationEngine &engine, QObject *parent = nullptr);
    ~BindInfoCapture() override;

    // The click on Cmd_GetBindInfo. On a closed port it throws tarnwell::Error before touching
    // anything; while another operation runs it shows the engine's busy message. A failed write
    // ends the capture through the engine: what was done stays done and Timer1 is not started.
    void run();

    // Ends the capture in progress where it waits (nothing further is sent and nothing is
    // touched) and stops a pending report. For the window's close; later runs work as usual.
    void cancel();
    // For a lost device: the capture in progress reports what came, with a message that the
    // port was lost. A report already pending on Timer1 is still written on its tick.
    void stopRunning();

    // Whether text in the input line is the wait message, which must never reach the switch.
    static bool isWaitText(const QString &text) { return text == QString::fromUtf8(kWaitText); }

    QTimer &timer1() { return m_timer1; }

    // What a capture of the listing brought: the terminal's text from "dis cu" on, whether it
    // ended at the switch's prompt, and how it ended in a few words.
    struct Listing {
        bool complete = false;
        QString text;
        QString outcome;
    };
    // "dis cu" and the paging of the click, as a step of an operation already running (a
    // batch's verification): the terminal is not emptied and no report is written.
    Task<Listing> listing();

signals:
    // The report was written to the view.
    void reported(const QString &report);
    // A listing ended at the switch's prompt (the click's or another operation's): its text
    // from the command on, as received.
    void listingCaptured(const QString &text);

private:
    enum class End { Complete, NoListing, Silent, TooManySpaces, TooLong, Closed, Lost };
    // The capture once the wait message shows: "dis cu", the spaces, the report started.
    Operation capture();
    // "dis cu", the nine spaces and the paging to the end, reading the terminal from `from` on.
    Task<End> pages(qsizetype from);
    // Pages to the end of the listing from the ninth space (sent at lastSpace) on.
    Task<End> pageToEnd(qsizetype from, quint32 start, quint32 lastSpace);
    End portEnd() const { return m_portLost ? End::Lost : End::Closed; }
    void report();

    SerialControl &m_serial;
    Terminal &m_terminal;
    BindInfoView &m_view;
    SwitchModelHolder &m_switchModel;
    OperationEngine &m_engine;
    QTimer m_timer1;
    quint32 m_lastReceived = 0; // Delay clock reading at the last receive
    bool m_portLost = false;    // the device went away during the capture
    End m_end = End::Complete;  // how the pending report's listing ended
    qsizetype m_sizeAtSpace = 0; // terminal size when the last space went out
};

} // namespace tarnwell
