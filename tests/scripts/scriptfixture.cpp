#include "scriptfixture.h"

#include <stdexcept>

namespace tarnwell::test {

void FakeInputs::fill(const QStringList &entries)
{
    static const std::map<QString, ScriptBox> names = {
        {QStringLiteral("ManageIP"), ScriptBox::ManageIP},
        {QStringLiteral("UserName"), ScriptBox::UserName},
        {QStringLiteral("UserPSD"), ScriptBox::UserPassword},
        {QStringLiteral("SuperName"), ScriptBox::SuperName},
        {QStringLiteral("SuperPSD"), ScriptBox::SuperPassword},
        {QStringLiteral("PortNum"), ScriptBox::PortNum},
        {QStringLiteral("Vlan"), ScriptBox::Vlan},
        {QStringLiteral("Mac"), ScriptBox::Mac},
        {QStringLiteral("IP"), ScriptBox::IP},
    };
    for (const QString &entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const auto it = names.find(entry.left(eq));
        if (eq < 0 || it == names.end())
            throw std::invalid_argument("bad box entry");
        boxes[it->second] = entry.mid(eq + 1);
    }
}

ScriptTrace::ScriptTrace()
{
    serial.setPortOpen(true);
    serial.clock = [this] { return clock.now; };
    boxes.onShown = [this](const MessageRecorder::Box &box) {
        collectWrites();
        entries.append({clock.now, QStringLiteral("[%1] %2").arg(box.title, box.text), false});
    };
}

void ScriptTrace::collectWrites()
{
    for (; m_seenWrites < serial.writes.size(); ++m_seenWrites) {
        const auto &w = serial.writes[m_seenWrites];
        entries.append({w.atMs, w.text, true});
    }
}

QStringList ScriptTrace::formatted() const
{
    // Writes after the last box have not been collected by a box yet.
    auto *self = const_cast<ScriptTrace *>(this);
    self->collectWrites();
    QStringList out;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &e = entries[i];
        if (!e.isWrite) {
            out << e.text;
            continue;
        }
        QString line = QString(e.text).replace(QLatin1Char('\r'), QLatin1String("<CR>"));
        if (i + 1 < entries.size() && entries[i + 1].at > e.at)
            line += QStringLiteral(" ~%1").arg(entries[i + 1].at - e.at - 1);
        out << line;
    }
    return out;
}

QStringList ScriptTrace::timed() const
{
    const_cast<ScriptTrace *>(this)->collectWrites();
    QStringList out;
    for (const Entry &e : entries)
        out << QStringLiteral("%1 %2").arg(e.at).arg(
            e.isWrite ? QString(e.text).replace(QLatin1Char('\r'), QLatin1String("<CR>")) : e.text);
    return out;
}

} // namespace tarnwell::test
