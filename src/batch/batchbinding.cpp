#include "batch/batchbinding.h"

#include "batch/batchverify.h"
#include "report/bindinfocapture.h"
#include "scripts/commandscripts.h"
#include "serial/serialcontrol.h"

namespace tarnwell {

namespace {

const QString kVerified = QStringLiteral("已核实");

} // namespace

QString BatchOutcome::text() const
{
    switch (state) {
    case State::Waiting: return QString();
    case State::Running: return QStringLiteral("正在发送…");
    case State::Done: return QStringLiteral("完成");
    case State::Refused: return QStringLiteral("被拒绝：") + words;
    case State::NotSent: return QStringLiteral("没有发送") + (words.isEmpty() ? QString() : QStringLiteral("：") + words);
    case State::Broken: return QStringLiteral("没有完成：") + words;
    }
    return QString();
}

BatchBinding::BatchBinding(SerialControl &serial, CommandScripts &scripts, BindInfoCapture &capture,
                           OperationEngine &engine, SwitchModelHolder &model, QObject *parent)
    : QObject(parent), m_serial(serial), m_scripts(scripts), m_capture(capture), m_engine(engine), m_model(model)
{
}

bool BatchBinding::start(const QList<BatchRow> &rows, bool bind, bool skipRefused)
{
    if (m_engine.busy() || rows.isEmpty())
        return false;
    for (const BatchRow &r : rows)
        if (!r.problem.isEmpty())
            return false;
    m_rows = rows;
    m_outcomes = QList<BatchOutcome>(rows.size());
    m_name = QString::fromUtf8(bind ? kBindName : kUnbindName);
    m_summary.clear();
    m_stopRequested = false;
    m_verifying = false;
    m_running = true;
    for (int i = 0; i < m_rows.size(); ++i)
        emit rowChanged(i);
    return m_engine.start(m_name, steps(bind, skipRefused));
}

void BatchBinding::stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    if (m_verifying && m_engine.running() == m_name)
        m_engine.cancel(QStringLiteral("核实已停止"));
}

void BatchBinding::set(int row, BatchOutcome::State state, const QString &words)
{
    m_outcomes[row].state = state;
    m_outcomes[row].words = words;
    if (state != BatchOutcome::State::Running && state != BatchOutcome::State::Waiting)
        emit note(QStringLiteral("%1 第%2行 端口%3：%4").arg(m_name).arg(row + 1).arg(m_rows[row].port, m_outcomes[row].text()));
    emit rowChanged(row);
}

void BatchBinding::markRest(int from, const QString &why)
{
    for (int i = from; i < m_rows.size(); ++i)
        if (m_outcomes[i].state == BatchOutcome::State::Waiting)
            set(i, BatchOutcome::State::NotSent, why);
}

Operation BatchBinding::steps(bool bind, bool skipRefused)
{
    struct Settle {
        BatchBinding *batch;
        ~Settle() { batch->settle(); }
    } settleAtEnd{this};
    const std::unique_ptr<CommandScripts::PortBatch> batch = m_scripts.portBatch(m_name, bind);
    if (const std::optional<OperationEnd> end = co_await batch->login()) {
        markRest(0, end->message.section(u'\n', 0, 0));
        m_summary = end->message;
        co_return OperationEnd{QString(), QString(), end->outcome};
    }
    int done = 0, refused = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_stopRequested) {
            markRest(i, QStringLiteral("已停止"));
            break;
        }
        set(i, BatchOutcome::State::Running);
        const BatchRow &row = std::as_const(m_rows)[i];
        // A named value: GCC 12 destroys some temporaries of a co_await expression twice.
        const CommandScripts::PortValues values{row.port, row.vlan, row.mac, row.ip};
        const CommandScripts::PortBatch::BlockEnd end = co_await batch->block(values);
        if (end.done) {
            ++done;
            set(i, BatchOutcome::State::Done);
            continue;
        }
        if (!end.refusal.isEmpty()) {
            ++refused;
            set(i, BatchOutcome::State::Refused, end.refusal);
            if (skipRefused)
                continue;
            markRest(i + 1, QStringLiteral("第%1行被拒绝后停止").arg(i + 1));
        } else {
            // Not a refusal: the switch left its command line; nothing more can be sent.
            set(i, BatchOutcome::State::Broken, end.message.section(u'\n', 0, 0));
            markRest(i + 1, QStringLiteral("第%1行没有完成后停止").arg(i + 1));
        }
        break;
    }
    QString outcome = QStringLiteral("完成%1行").arg(done);
    if (refused)
        outcome += QStringLiteral("，被拒绝%1行").arg(refused);
    const qsizetype notSent = std::count_if(m_outcomes.begin(), m_outcomes.end(), [](const BatchOutcome &o) {
        return o.state == BatchOutcome::State::NotSent;
    });
    if (notSent)
        outcome += QStringLiteral("，没有发送%1行").arg(notSent);
    m_engine.setOutcome(outcome);
    m_summary = outcome;

    m_verifying = true;
    const BindInfoCapture::Listing listing = co_await m_capture.listing();
    m_verifying = false;
    if (listing.complete) {
        verify(listing.text, bind);
        const qsizetype verified = std::count_if(m_outcomes.begin(), m_outcomes.end(),
                                                 [](const BatchOutcome &o) { return o.verified == kVerified; });
        m_summary += QStringLiteral("。重新列举后核实%1行").arg(verified);
    } else {
        m_summary += QStringLiteral("。重新列举没有完成（%1），没有核实").arg(listing.outcome);
    }
    co_return OperationEnd{QString(), QString(), outcome};
}

void BatchBinding::verify(const QString &listing, bool bind)
{
    const BindInfoResult parsed = parseBindInfo(listing, m_model.value());
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_outcomes[i].state == BatchOutcome::State::NotSent)
            continue;
        const QString difference = batchRowDifference(m_rows[i], bind, parsed.table, parsed.switchModel);
        m_outcomes[i].verified = difference.isEmpty() ? kVerified : difference;
        emit note(QStringLiteral("%1 第%2行 端口%3 核实：%4").arg(m_name).arg(i + 1).arg(m_rows[i].port, m_outcomes[i].verified));
        emit rowChanged(i);
    }
}

void BatchBinding::settle()
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_outcomes[i].state == BatchOutcome::State::Running)
            set(i, BatchOutcome::State::Broken, QStringLiteral("中途停止，部分行可能已生效"));
    markRest(0, m_serial.portOpen() ? QStringLiteral("已停止") : QStringLiteral("端口已断开"));
    if (m_summary.isEmpty() || m_verifying)
        m_summary = (m_summary.isEmpty() ? QString() : m_summary + QStringLiteral("。"))
                    + (m_serial.portOpen() ? QStringLiteral("已停止") : QStringLiteral("端口已关闭或断开，已停止"));
    m_verifying = false;
    m_running = false;
    emit ended();
}

QString BatchBinding::resultText() const
{
    QString out = QStringLiteral("端口\tVLAN\tMAC\tIP\t结果\t核实\r\n");
    for (int i = 0; i < m_rows.size(); ++i) {
        QStringList cells = m_rows[i].cells();
        cells << m_outcomes[i].text() << m_outcomes[i].verified;
        for (QString &c : cells)
            c.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        out += cells.join(u'\t') + QStringLiteral("\r\n");
    }
    return out;
}

} // namespace tarnwell

#include "moc_batchbinding.cpp" // compiled with this file (and its library's unit), not on its own
