#include "report/bindinfocapture.h"

#include "serial/serialcontrol.h"
#include "base/usermessages.h"
#include "engine/clock.h"
#include "terminal/terminal.h"
#include "switch/switchreply.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace tarnwell {

namespace {

// A paging space as the running operation's record shows it.
constexpr char kPagingSpaceShown[] = "空格（翻页）";

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

ListingEnd listingEnd(QStringView text)
{
    if (endsAtPagingPrompt(text))
        return ListingEnd::More;
    const QStringView rest = withoutTrailingLogs(text);
    qsizetype lineStart = rest.size();
    while (lineStart > 0 && !isLineEnd(rest[lineStart - 1]))
        --lineStart;
    return isCommandPrompt(rest.mid(lineStart)) ? ListingEnd::Prompt : ListingEnd::Neither;
}

bool holdsListing(QStringView text)
{
    static const QRegularExpression mark(QStringLiteral("(?:^|[\\r\\n])#[\\r\\n]|---- More ----"));
    return mark.match(text).hasMatch();
}

BindInfoCapture::BindInfoCapture(SerialControl &serial, Terminal &terminal, BindInfoView &view,
                                 SwitchModelHolder &switchModel, OperationEngine &engine, QObject *parent)
    : QObject(parent), m_serial(serial), m_terminal(terminal), m_view(view), m_switchModel(switchModel),
      m_engine(engine), m_timer1(this)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(kReportIntervalMs);
    connect(&m_timer1, &QTimer::timeout, this, &BindInfoCapture::report);
    connect(&m_serial, &SerialControl::onComm, this, [this] { m_lastReceived = delayClock().tickCount(); });
}

BindInfoCapture::~BindInfoCapture()
{
    cancel();
}

void BindInfoCapture::run()
{
    // Nothing is cleared for a click that cannot work: the terminal keeps what it shows.
    if (!m_serial.portOpen())
        throw Error(QStringLiteral("端口未打开，无法取得端口列表，请先点击开启"));
    if (m_engine.busy()) {
        messageBox(m_engine.busyMessage());
        return;
    }
    // A report still pending from an earlier capture would read this one's partial listing.
    m_timer1.stop();
    m_portLost = false;
    m_view.setInputLine(QString::fromUtf8(kWaitText));
    m_engine.start(QString::fromUtf8(kOperationName), capture());
}

namespace {

const char *const kOutcomes[] = {"完成", "没有收到配置列表", "未收完：交换机不再送出内容", "未收完：翻页次数到上限",
                                 "未收完：时间到上限", "端口已关闭", "端口已断开"};

} // namespace

Operation BindInfoCapture::capture()
{
    std::optional<End> end;
    try {
        m_view.clearReport();
        m_terminal.clear();
        end = co_await pages(0);
    } catch (...) {
        // A failed write: the wait message must not stay behind as a command in the input line.
        m_view.setInputLine(QString());
        throw;
    }
    m_end = *end;
    m_timer1.start();
    m_view.setInputLine(QString());
    // The report and its message come on the timer's tick.
    co_return OperationEnd{QString(), QString(), QString::fromUtf8(kOutcomes[int(*end)])};
}

Task<BindInfoCapture::Listing> BindInfoCapture::listing()
{
    m_portLost = false;
    const qsizetype from = m_terminal.text().size();
    const End end = co_await pages(from);
    Listing result{end == End::Complete, m_terminal.text().mid(from), QString::fromUtf8(kOutcomes[int(end)])};
    if (result.complete)
        emit listingCaptured(result.text);
    co_return result;
}

Task<BindInfoCapture::End> BindInfoCapture::pages(qsizetype from)
{
    const quint32 start = delayClock().tickCount();
    m_lastReceived = start;
    m_serial.output(QStringLiteral("dis cu\r"));
    m_engine.noteSent(QStringLiteral("dis cu"));
    for (int i = 0; i < kPagingSpaces; ++i) {
        if (m_portLost || !m_serial.portOpen())
            co_return portEnd();
        m_sizeAtSpace = m_terminal.text().size() - from;
        m_serial.output(QStringLiteral(" "));
        m_engine.noteSent(QString::fromUtf8(kPagingSpaceShown));
        // The last pause is spent paging on: a long listing's next page end gets its space at once.
        if (i + 1 == kPagingSpaces)
            break;
        co_await pause(kPagingPauseMs);
    }
    co_return co_await pageToEnd(from, start, delayClock().tickCount());
}

Task<BindInfoCapture::End> BindInfoCapture::pageToEnd(qsizetype from, quint32 start, quint32 lastSpace)
{
    DelayClock &clock = delayClock();
    bool listing = false; // once seen, a listing stays in the terminal
    for (int extra = 0;;) {
        // 清屏 meanwhile: what comes next is read from the start.
        from = std::min(from, m_terminal.text().size());
        const QString text = m_terminal.text().mid(from);
        const ListingEnd at = listingEnd(text);
        const quint32 now = clock.tickCount();
        if (!listing && (at == ListingEnd::Prompt || now - start >= quint32(kNoListingMs)))
            listing = holdsListing(text);
        // A listing that ended within ten screens still has the last space's pause in full.
        if (at == ListingEnd::Prompt && now - lastSpace > quint32(kPagingPauseMs))
            co_return listing ? End::Complete : End::NoListing;
        // Lost counts even when the device came back meanwhile: this listing is gone.
        if (m_portLost || !m_serial.portOpen())
            co_return portEnd();
        if (now - start >= quint32(kNoListingMs) && !listing)
            co_return End::NoListing;
        if (now - m_lastReceived >= quint32(kSilenceMs))
            co_return End::Silent;
        if (now - start >= quint32(kTotalMs))
            co_return End::TooLong;
        // One space for each new page end: the switch has not answered a space until more text came
        // (or the terminal was emptied and filled again: 清屏 during the capture).
        if (at == ListingEnd::More && text.size() != m_sizeAtSpace) {
            if (extra == kExtraSpaces)
                co_return End::TooManySpaces;
            ++extra;
            m_sizeAtSpace = text.size();
            m_serial.output(QStringLiteral(" "));
            m_engine.noteSent(QString::fromUtf8(kPagingSpaceShown));
        }
        co_await pause(kPollMs);
    }
}

void BindInfoCapture::cancel()
{
    if (m_engine.running() == QString::fromUtf8(kOperationName))
        m_engine.cancel();
    m_timer1.stop();
}

void BindInfoCapture::stopRunning()
{
    // The port is closed already: a capture in progress ends at its next look at it.
    m_portLost = true;
}

void BindInfoCapture::report()
{
    m_timer1.stop();
    const BindInfoResult result = parseBindInfo(m_terminal.text(), m_switchModel.value());
    if (result.selected != ModelButton::None)
        m_view.selectModelButton(result.selected);
    m_switchModel.set(result.switchModel);
    const QString text = formatBindReport(result);
    m_view.setReport(text);
    emit reported(text);
    const End end = std::exchange(m_end, End::Complete);
    if (end == End::Complete) {
        emit listingCaptured(m_terminal.text());
        return;
    }
    if (end == End::NoListing) {
        messageBox(QStringLiteral("发出 dis cu 后交换机没有送来配置列表。请检查串口线、通讯设置(波特率等)，"
                                  "以及是否已登录到交换机的命令行(出现 <交换机名> 提示符)。"));
        return;
    }
    QString last;
    for (const BindInfoRow &row : result.table)
        if (!row.port.isEmpty())
            last = row.port;
    QString why;
    switch (end) {
    case End::Silent:
        why = QStringLiteral("交换机%1秒没有送出内容，配置列表没有收完，").arg(kSilenceMs / 1000);
        break;
    case End::TooManySpaces:
        why = QStringLiteral("交换机的配置列表翻页%1次后仍未结束，").arg(kPagingSpaces + kExtraSpaces);
        break;
    case End::TooLong:
        why = QStringLiteral("交换机的配置列表%1秒后仍未结束，").arg(kTotalMs / 1000);
        break;
    case End::Closed:
        why = QStringLiteral("端口已关闭，配置列表没有收完，");
        break;
    default:
        why = QStringLiteral("串口设备已断开，配置列表没有收完，");
        break;
    }
    messageBox(why + (last.isEmpty() ? QStringLiteral("结果中没有任何端口。")
                                     : QStringLiteral("结果只到端口%1为止，之后的端口不在结果中。").arg(last)));
}

} // namespace tarnwell

#include "moc_bindinfocapture.cpp" // compiled with this file (and its library's unit), not on its own
