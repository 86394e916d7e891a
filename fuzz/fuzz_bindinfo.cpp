// Fuzzes the binding report: the bytes are decoded as the serial layer decodes what the switch
// sends (GB18030, invalid bytes become U+FFFD), parsed with the switch model set to 3100 and to
// 3600 beforehand, and compared with the literal reference parser (referenceparser.cpp). The
// report made from the result must keep its shape whatever the listing holds: the header line
// with the model, then one line per named port with exactly six tabs, every line ended by CR LF.
#include "fuzzcheck.h"
#include "referenceparser.h"
#include "report/bindinfoparser.h"

#include <QStringDecoder>
#include <QStringList>

#include <cstddef>
#include <cstdint>

using namespace tarnwell;

namespace {

bool sameResult(const BindInfoResult &a, const BindInfoResult &b)
{
    return a.table == b.table && a.switchModel == b.switchModel && a.selected == b.selected;
}

void checkReport(const BindInfoResult &result)
{
    const QString report = formatBindReport(result);
    const QString header = QStringLiteral("这是个") + switchModelText(result.switchModel) + QStringLiteral("，详细信息如下：\r\n");
    FUZZ_CHECK(report.startsWith(header));
    FUZZ_CHECK(report.endsWith(QStringLiteral("\r\n")));

    qsizetype named = 0;
    for (const BindInfoRow &row : result.table)
        named += row.port.isEmpty() ? 0 : 1;

    // Every line break of the report is a CR LF that ends a line: no lone CR or LF from a cell.
    const QString body = report.mid(header.size());
    FUZZ_CHECK(body.count(u'\r') == body.count(QStringLiteral("\r\n")));
    FUZZ_CHECK(body.count(u'\n') == body.count(QStringLiteral("\r\n")));
    QStringList lines = body.split(QStringLiteral("\r\n"));
    FUZZ_CHECK(lines.size() == named + 1 && lines.last().isEmpty());
    lines.removeLast();
    for (const QString &line : lines) {
        FUZZ_CHECK(line.count(u'\t') == 6);
        FUZZ_CHECK(line.endsWith(u'\t'));
        FUZZ_CHECK(!line.startsWith(u'\t')); // the port name is never empty
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringDecoder decoder("GB18030");
    const QString text = decoder.decode(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));

    static const QList<SwitchModel> models = {SwitchModel::S3100, SwitchModel::S3600, SwitchModel::S5500,
                                              SwitchModel::S9512};
    for (const SwitchModel before : {models[0], models[1]}) {
        const BindInfoResult result = parseBindInfo(text, before);
        FUZZ_CHECK(result.switchModel == before || models.contains(result.switchModel));
        // One row per port keyword, more where a block holds several bindings.
        FUZZ_CHECK(result.table.size() >= text.count(QStringLiteral("interface Ethernet"), Qt::CaseInsensitive));
        for (const BindInfoRow &row : result.table) {
            FUZZ_CHECK(row.port.size() <= 6);
            FUZZ_CHECK(row.mac.size() <= 14);
            // A value ends at its line's end and never exceeds the cut.
            for (const QString *cell : {&row.vlan, &row.ip}) {
                FUZZ_CHECK(cell->size() <= kMaxBindValueLength);
                FUZZ_CHECK(!cell->contains(u'\r') && !cell->contains(u'\n'));
            }
        }
        // The reference searches afresh for every keyword of every block: quadratic, so only
        // on inputs of moderate size.
        if (text.size() <= 8192)
            FUZZ_CHECK(sameResult(result, test::referenceParseBindInfo(text, before)));
        checkReport(result);
    }
    return 0;
}
