// The 批量绑定 dialog as a technician uses it: a table pasted with Ctrl+V (header skipped), a
// marked row keeping 开始 disabled until it is mended, the batch started and stopped, and the
// result copied as tab-separated lines.
#include "support/controls.h"
#include "support/window.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTableWidget>
#include <QTest>

using namespace tarnwell;

class TestBatchDialog : public QObject {
    Q_OBJECT
private slots:
    void pasteMarkStartCopy();
};

void TestBatchDialog::pasteMarkStartCopy()
{
    test::FakeWindow rig;
    test::control<QPushButton>(*rig.w, "Cmd_Switch")->click();
    QVERIFY(rig.serial->portOpen());
    test::control<QPushButton>(*rig.w, "Cmd_Batch")->click();
    auto *dialog = rig.w->findChild<QDialog *>(u"BatchDialog"_qs);
    QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
    auto *table = test::control<QTableWidget>(*dialog, "batchTable");
    auto *start = test::control<QPushButton>(*dialog, "batchStartButton");
    auto *copy = test::control<QPushButton>(*dialog, "batchCopyButton");

    QApplication::clipboard()->setText(u"端口\tVLAN\tMAC\r\n5\t10\t00-0F-E2-AA-00-05\r\n60\t10\t000f.e2aa.0006\r\n"_qs);
    QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 2)->text(), u"000f-e2aa-0005"_qs);
    QCOMPARE(table->item(1, 4)->text(), u"端口号不对（1-48）：60"_qs);
    QVERIFY(!start->isEnabled());

    table->item(1, 0)->setText(u"6"_qs); // as the cell is edited
    QCOMPARE(table->item(1, 4)->text(), u"可以发送"_qs);
    QVERIFY(start->isEnabled() && !copy->isEnabled());

    start->click();
    QVERIFY(rig.w->engine().busy());
    QVERIFY(!start->isEnabled());
    QCOMPARE(rig.serial->writes.value(0).text, u"sys\r"_qs);
    // Closing the port (confirmed) stops the batch where it waits.
    rig.w->engine().cancel();
    QTRY_VERIFY(copy->isEnabled());
    copy->click();
    const QStringList lines = QApplication::clipboard()->text().split(u"\r\n"_qs);
    QCOMPARE(lines.value(0), u"端口\tVLAN\tMAC\tIP\t结果\t核实"_qs);
    QVERIFY2(lines.value(1).startsWith(u"5\t10\t000f-e2aa-0005\t\t没有完成"_qs), qPrintable(lines.value(1)));
    QCOMPARE(lines.value(2), u"6\t10\t000f-e2aa-0006\t\t没有发送：已停止\t"_qs);
}

QTEST_MAIN(TestBatchDialog)
#include "test_batchdialog.moc"
