// Fuzzes the settings-string check of the serial layer: no input crashes it; a string it
// accepts yields only values a port can be set to, and the canonical string of that result
// ("speed,parity,data,stop") is accepted again with the same result.
#include "base/error.h"
#include "serial/linesettings.h"
#include "fuzzcheck.h"

#include <cstddef>
#include <cstdint>

using namespace tarnwell;

namespace {

QString parityLetter(QSerialPort::Parity p)
{
    switch (p) {
    case QSerialPort::NoParity: return QStringLiteral("n");
    case QSerialPort::OddParity: return QStringLiteral("o");
    case QSerialPort::EvenParity: return QStringLiteral("e");
    case QSerialPort::MarkParity: return QStringLiteral("m");
    case QSerialPort::SpaceParity: return QStringLiteral("s");
    default: break;
    }
    FUZZ_CHECK(!"unexpected parity");
    return {};
}

QString stopText(QSerialPort::StopBits s)
{
    switch (s) {
    case QSerialPort::OneStop: return QStringLiteral("1");
    case QSerialPort::OneAndHalfStop: return QStringLiteral("1.5");
    case QSerialPort::TwoStop: return QStringLiteral("2");
    default: break;
    }
    FUZZ_CHECK(!"unexpected stop bits");
    return {};
}

bool same(const LineSettings &a, const LineSettings &b)
{
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits
        && a.stopBits == b.stopBits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    LineSettings parsed;
    try {
        parsed = parseLineSettings(input);
    } catch (const Error &e) {
        FUZZ_CHECK(!e.description().isEmpty());
        return 0;
    }
    FUZZ_CHECK(input.count(u',') == 3);
    FUZZ_CHECK(parsed.baudRate >= 110 && parsed.baudRate <= 921600);
    FUZZ_CHECK(parsed.dataBits >= QSerialPort::Data5 && parsed.dataBits <= QSerialPort::Data8);
    const QString canonical = QStringLiteral("%1,%2,%3,%4")
                                  .arg(parsed.baudRate)
                                  .arg(parityLetter(parsed.parity))
                                  .arg(int(parsed.dataBits))
                                  .arg(stopText(parsed.stopBits));
    LineSettings again;
    try {
        again = parseLineSettings(canonical);
    } catch (const Error &) {
        FUZZ_CHECK(!"the canonical form of an accepted string is refused");
    }
    FUZZ_CHECK(same(parsed, again));
    return 0;
}
