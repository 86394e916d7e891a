#pragma once

#include "batch/batchtable.h"
#include "engine/operationengine.h"
#include "switch/switchmodelholder.h"

#include <QList>
#include <QObject>
#include <QString>

namespace tarnwell {

class BindInfoCapture;
class CommandScripts;
class SerialControl;

// How one row of a batch went, as its outcome column shows it.
struct BatchOutcome {
    enum class State { Waiting, Running, Done, Refused, NotSent, Broken };
    State state = State::Waiting;
    QString words;    // the refused line and the switch's words, or why the row was not sent
    QString verified; // after the listing: 已核实 or the differences; empty while unknown

    QString text() const; // the outcome column
};

// A batch of bindings (or unbindings) as one operation: the login of the binding script once,
// then each row's port lines, the switch's answers watched as a script watches them. A refused
// row stops the batch (the rows after it are not sent) unless refused rows are to be skipped;
// stop() (Esc) lets the row being sent finish and sends no more. Then the listing is captured
// again and each row that was sent is compared with what the switch now holds. Every row's
// outcome goes to the session log (note()).
class BatchBinding : public QObject {
    Q_OBJECT
public:
    static constexpr char kBindName[] = "批量绑定";
    static constexpr char kUnbindName[] = "批量解绑";

    BatchBinding(SerialControl &serial, CommandScripts &scripts, BindInfoCapture &capture, OperationEngine &engine,
                 SwitchModelHolder &model, QObject *parent = nullptr);

    // Starts the rows, which must all be sendable; false (nothing sent) while another operation
    // runs or a row is marked.
    bool start(const QList<BatchRow> &rows, bool bind, bool skipRefused);
    // Esc: between rows the batch ends; during the listing the listing is given up.
    void stop();
    bool running() const { return m_running; }

    const QList<BatchRow> &rows() const { return m_rows; }
    const QList<BatchOutcome> &outcomes() const { return m_outcomes; }
    // How the last batch ended, in a few lines; empty while one runs.
    QString summary() const { return m_summary; }
    // The rows and their outcomes as tab-separated lines under a header, for a spreadsheet.
    QString resultText() const;

signals:
    void rowChanged(int row);
    void ended();
    // A line for the session log.
    void note(const QString &text);

private:
    Operation steps(bool bind, bool skipRefused);
    void set(int row, BatchOutcome::State state, const QString &words = QString());
    void markRest(int from, const QString &why);
    void verify(const QString &listing, bool bind);
    // Whatever way the operation ended (also cancelled): rows still open are settled.
    void settle();

    SerialControl &m_serial;
    CommandScripts &m_scripts;
    BindInfoCapture &m_capture;
    OperationEngine &m_engine;
    SwitchModelHolder &m_model;
    QList<BatchRow> m_rows;
    QList<BatchOutcome> m_outcomes;
    QString m_name;
    QString m_summary;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_verifying = false;
};

} // namespace tarnwell
