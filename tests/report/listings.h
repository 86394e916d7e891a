#pragma once

#include <QString>
#include <QStringList>

namespace tarnwell::test {

// Each line followed by CR LF, as the switch prints them.
QString crlf(const QStringList &lines);

// The worked example listing ("dis cu" echo, a 3600 name line, three port blocks). The three
// parts name the name line and the MAC line so the 3100/5500 variants can swap them.
QString workedExample(const QString &nameLine = QStringLiteral(" sysname SW3600-B2"),
                      const QString &macLine =
                          QStringLiteral(" am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"));

// A plausible running configuration of a switch with the given number of Ethernet ports, as a
// list of lines (no line ends). model3600 chooses the binding command form. Ports vary: some
// shut down, some trunk, some bound, some bare. The description of every 7th port is Chinese.
QStringList configLines(int ports, bool model3600);

// The paging prompt the switch shows and the erasing it sends when a space pages on; the next
// line follows the erasing directly.
QString morePrompt();
QString moreErase();

// Splits the lines into pages of pageLines lines: page 0 starts with the command echo, every
// page but the last ends with the paging prompt, the last with the command prompt "<H3C>", every
// page after the first starts with the erasing.
QStringList pagedListing(const QStringList &lines, int pageLines);

} // namespace tarnwell::test
