// A batch of 48 bindings against tarnwell-switchsim as a 48-port 3600 at 9600 baud, through a
// console session, against the same 48 bindings run one by one with the binding script (each
// with its login boxes filled, as a technician clicks 绑定 48 times). Prints the wall time of
// each: for the batch up to its last row and up to the end of the verifying listing. ROWS
// overrides the number of rows (48).
#include "e2e/sessionrig.h"

#include "batch/batchtable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <cstdio>

using namespace tarnwell;

namespace {

constexpr int kBaud = 9600;

QString mac(int port)
{
    return QStringLiteral("000f-e2aa-%1").arg(port, 4, 10, QLatin1Char('0'));
}

bool startRig(test::SessionRig &rig)
{
    QString error;
    rig.boxes.values = {{ScriptBox::UserName, u"admin"_qs}, {ScriptBox::UserPassword, u"admin"_qs}};
    if (!rig.start({"--model", "3600", "--ports", "48", "--baud", QString::number(kBaud)}, u"<SW3600-A>"_qs, error)) {
        std::fprintf(stderr, "bench_batch: %s\n", qPrintable(error));
        return false;
    }
    rig.session->setSwitchModel(SwitchModel::S3600);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = qEnvironmentVariableIntValue("ROWS") > 0 ? qEnvironmentVariableIntValue("ROWS") : 48;
    std::printf("%d bindings on a 48-port 3600 at %d baud\n", rows, kBaud);

    {
        test::SessionRig rig;
        if (!startRig(rig))
            return 1;
        QElapsedTimer clock;
        clock.start();
        for (int port = 1; port <= rows; ++port) {
            rig.boxes.values[ScriptBox::PortNum] = QString::number(port);
            rig.boxes.values[ScriptBox::Vlan] = u"10"_qs;
            rig.boxes.values[ScriptBox::Mac] = mac(port);
            rig.boxes.values[ScriptBox::IP] = QStringLiteral("10.1.1.%1").arg(port);
            QSignalSpy finished(&rig.session->engine(), &OperationEngine::finished);
            rig.session->scripts().bind();
            if (!finished.wait(60000)) {
                std::fprintf(stderr, "bench_batch: binding %d did not end\n", port);
                return 1;
            }
        }
        const qint64 ms = clock.elapsed();
        std::printf("one by one (绑定 %d times): %.1f s, %.2f s a row\n", rows, ms / 1000.0, ms / 1000.0 / rows);
        std::fflush(stdout);
    }

    test::SessionRig rig;
    if (!startRig(rig))
        return 1;
    QString table;
    for (int port = 1; port <= rows; ++port)
        table += QStringLiteral("%1\t10\t%2\t10.1.1.%1\n").arg(port).arg(mac(port));
    BatchBinding &batch = rig.session->batch();
    qint64 rowsMs = -1;
    QElapsedTimer clock;
    QObject::connect(&batch, &BatchBinding::rowChanged, &batch, [&](int row) {
        if (row == rows - 1 && batch.outcomes()[row].state == BatchOutcome::State::Done && rowsMs < 0)
            rowsMs = clock.elapsed();
    });
    QSignalSpy ended(&batch, &BatchBinding::ended);
    clock.start();
    if (!batch.start(BatchTable::parse(table, true).rows, true, false) || !ended.wait(600000)) {
        std::fprintf(stderr, "bench_batch: the batch did not run to its end\n");
        return 1;
    }
    const qint64 ms = clock.elapsed();
    std::printf("batch: last row done after %.1f s, %.2f s a row; verified after %.1f s (%s)\n", rowsMs / 1000.0,
                rowsMs / 1000.0 / rows, ms / 1000.0, qPrintable(batch.summary()));
    return 0;
}
