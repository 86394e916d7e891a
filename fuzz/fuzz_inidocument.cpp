// Fuzzes the settings-file reader: any bytes parse and serialize back to themselves; a read
// gives at most 127 characters and never a NUL; setting a plain value and reading the written
// file again gives that value back and leaves the other keys of the section as they were.
#include "fuzzcheck.h"
#include "settings/inidocument.h"

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace tarnwell;

namespace {

const QStringList kKeys = {QStringLiteral("PortNum"), QStringLiteral("Speed"), QStringLiteral("Check"),
                           QStringLiteral("Data"),    QStringLiteral("Stop"),  QStringLiteral("HandShake")};
const QString kSection = QStringLiteral("h3c_comm");

void checkValue(const QString &v)
{
    FUZZ_CHECK(v.size() <= IniDocument::kReadLimit);
    FUZZ_CHECK(!v.contains(QChar(u'\0')));
    FUZZ_CHECK(!v.startsWith(u' ') && !v.endsWith(u' '));
}

// The first section name and the first key name that occur in the bytes, so that the reads
// also reach names the fuzzer made up, not only the six fixed keys.
void namesIn(QByteArrayView bytes, QString &section, QString &key)
{
    for (QByteArrayView line : QByteArray(bytes.data(), bytes.size()).split('\n')) {
        const qsizetype open = line.indexOf('[');
        const qsizetype close = line.indexOf(']');
        if (section.isEmpty() && open >= 0 && close > open + 1)
            section = QString::fromUtf8(line.sliced(open + 1, close - open - 1));
        const qsizetype eq = line.indexOf('=');
        if (key.isEmpty() && eq > 0)
            key = QString::fromUtf8(line.first(eq));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const IniDocument doc = IniDocument::parse(bytes);
    FUZZ_CHECK(doc.serialize() == bytes);

    QString section, key;
    namesIn(bytes, section, key);
    checkValue(doc.value(section, key));
    checkValue(doc.value(kSection, key));

    QList<QString> before;
    for (const QString &k : kKeys) {
        before << doc.value(kSection, k);
        checkValue(before.last());
    }

    // Write one of the six keys, chosen by the input, with a plain value made of its length.
    const int which = size ? data[0] % kKeys.size() : 0;
    const QString value = QString::number(size) + QStringLiteral("x");
    IniDocument changed = doc;
    FUZZ_CHECK(changed.setValue(kSection, kKeys[which], value));
    const IniDocument reread = IniDocument::parse(changed.serialize());
    FUZZ_CHECK(reread.value(kSection, kKeys[which]) == value);
    for (int i = 0; i < kKeys.size(); ++i) {
        if (i != which)
            FUZZ_CHECK(reread.value(kSection, kKeys[i]) == before[i]);
    }
    // A second write of the same value changes nothing more.
    IniDocument again = reread;
    FUZZ_CHECK(again.setValue(kSection, kKeys[which], value));
    FUZZ_CHECK(again.serialize() == changed.serialize());
    return 0;
}
