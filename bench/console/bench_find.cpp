// Find in the terminal pane over 50 MiB of switch text (a listing with a pager erase every 24
// lines, so that lines shown as received and redrawn ones alternate): the time of each find
// step — a word that is not there (the whole text searched), the next match from the top, the
// previous one round the start, and the find field's incremental steps as a word is typed.
// Then the needle that is worst for a search whose cost grows with text × needle: one line of
// 50 MiB of "a" and "b" followed by 1,999 "a"s, each step and the pane drawn with it highlighted.
// Then the memory per line: the growth of resident memory while the pane takes in 50 MiB of
// bare line feeds.
#include "../common/benchutil.h"
#include "terminal/terminal.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <cstdio>

using namespace tarnwell;

namespace {

constexpr qsizetype kMiB = 1024 * 1024;

double timed(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

void findSteps()
{
    Terminal terminal;
    TerminalView view;
    view.resize(953, 241);
    view.attach(&terminal);
    view.show();
    QString chunk;
    for (int port = 1; chunk.size() < 4 * kMiB; ++port) {
        chunk += QStringLiteral("interface Ethernet1/0/%1\r\n port access vlan 10\r\n"
                                " mac-address static 000f-e212-3456 vlan 10\r\n#\r\n").arg(port % 48 + 1);
        if (port % 6 == 0 && !qEnvironmentVariableIsSet("NO_PAGER"))
            chunk += QStringLiteral("  ---- More ----\x1b[16D                \x1b[16D");
    }
    while (terminal.text().size() < 50 * kMiB)
        terminal.append(chunk);
    terminal.append(QStringLiteral("the needle is here\r\n<H3C>"));
    view.flush();
    std::printf("find over %.1f MiB of text (%lld characters)\n", terminal.text().size() / double(kMiB),
                static_cast<long long>(terminal.text().size()));
    view.verticalScrollBar()->setValue(0);
    view.openFind();
    QLineEdit *field = view.findField();
    const struct {
        const char *what;
        QString needle;
        bool backward;
    } steps[] = {{"absent word, forward", QStringLiteral("no such thing"), false},
                 {"absent word, backward", QStringLiteral("no such thing"), true},
                 {"match at the end, forward", QStringLiteral("NEEDLE"), false},
                 {"same match, backward round the start", QStringLiteral("needle"), true}};
    for (const auto &s : steps) {
        view.select({}, {});
        field->setText(s.needle);
        bool found = false;
        const double secs = timed([&] { found = view.findNext(s.backward); });
        std::printf("  %-40s %.3f s%s (goal <= 0.2 s)\n", s.what, secs, found ? "" : ", not found");
    }
    view.select({}, {});
    field->clear();
    double worst = 0;
    for (const QChar c : QStringLiteral("needlx")) { // typed: each key searches again
        worst = qMax(worst, timed([&] { QTest::keyClicks(field, QString(c)); }));
    }
    std::printf("  %-40s %.3f s (goal <= 0.2 s)\n", "slowest key typed into the find field", worst);
}

void pathologicalNeedle()
{
    Terminal terminal;
    TerminalView view;
    view.resize(953, 241);
    view.attach(&terminal);
    view.show();
    terminal.append(QString(50 * kMiB, u'a'));
    view.flush();
    std::printf("one line of %.0f MiB of \"a\", needle \"b\" and 1,999 \"a\"s:\n", terminal.text().size() / double(kMiB));
    view.openFind();
    QLineEdit *field = view.findField();
    const QString needle = u'b' + QString(1999, u'a');
    field->setText(needle.chopped(1));
    double secs = timed([&] { QTest::keyClicks(field, QStringLiteral("a")); });
    std::printf("  %-40s %.3f s (goal <= 0.2 s)\n", "last key typed into the find field", secs);
    for (const bool backward : {false, true}) {
        bool found = true;
        secs = timed([&] { found = view.findNext(backward); });
        std::printf("  %-40s %.3f s%s (goal <= 0.2 s)\n", backward ? "backward, round the start" : "forward, round the end",
                    secs, found ? "" : ", not found");
    }
    for (const QString &shown : {needle, needle.mid(1)}) {
        field->setText(shown);
        secs = timed([&] { view.viewport()->repaint(); });
        std::printf("  %-40s %.3f s (goal <= 0.2 s)\n", shown == needle ? "pane drawn, the needle in the find field" : "pane drawn, 1,999 \"a\"s highlighted", secs);
    }
}

void memoryPerLine()
{
    const double before = bench::rssMiB();
    {
        Terminal terminal;
        TerminalView view;
        view.resize(953, 241);
        view.attach(&terminal);
        view.show();
        const QString chunk(4096, u'\n');
        while (terminal.text().size() < 50 * kMiB) {
            terminal.append(chunk);
            view.flush();
        }
        QCoreApplication::processEvents();
        const double grown = bench::rssMiB() - before;
        std::printf("50 MiB of bare line feeds (%lld lines): resident memory grew %.0f MiB (goal <= 250 MiB), "
                    "%.1f bytes a line beside the text's 2\n",
                    static_cast<long long>(terminal.text().size()), grown,
                    (grown * kMiB - 2.0 * terminal.text().size()) / terminal.text().size());
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    findSteps();
    pathologicalNeedle();
    memoryPerLine();
    return 0;
}
