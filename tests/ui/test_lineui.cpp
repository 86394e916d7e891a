// The window's part in the line: the speed list (more rates, typed rates, a change on an open
// port), 发送文件 with its progress and Esc, and the boot menu's speed question.
#include "support/window.h"
#include "transfer/xmodemsender.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

class TestLineUi : public QObject {
    Q_OBJECT
private slots:
    void speedList_data();
    void speedList();
    void sendFileShowsProgressAndEscStops();
    void bootMenuSpeedQuestion();
};

void TestLineUi::speedList_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("typed"); // typed and Enter; a rate in the list is picked
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("refusal"); // in the error box; empty: none
    QTest::newRow("115200 picked, closed") << false << "115200" << "115200,n,8,1" << "";
    QTest::newRow("230400 typed, closed") << false << "230400" << "230400,n,8,1" << "";
    QTest::newRow("12345 typed, closed: refused") << false << "12345" << "9600,n,8,1" << "12345";
    QTest::newRow("57600 picked, open: stays open") << true << "57600" << "57600,n,8,1" << "";
    QTest::newRow("12345 typed, open: refused") << true << "12345" << "9600,n,8,1" << "12345";
}

void TestLineUi::speedList()
{
    QFETCH(bool, open);
    QFETCH(QString, typed);
    QFETCH(QString, settings);
    QFETCH(QString, refusal);
    test::FakeWindow t;
    t.serial->acceptSettings = [](const QString &s) { return !s.startsWith(u"12345"); };
    FrmMain &w = *t.w;
    if (open)
        QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    auto *speeds = test::control<QComboBox>(w, "Combo3");
    QVERIFY(speeds->isEnabled());
    const int openings = t.serial->openCount;
    if (const int i = speeds->findText(typed); i >= 0) {
        speeds->setCurrentIndex(i);
    } else {
        speeds->lineEdit()->selectAll();
        QTest::keyClicks(speeds->lineEdit(), typed);
        QTest::keyClick(speeds->lineEdit(), Qt::Key_Return);
    }
    QCOMPARE(t.serial->settings(), settings);
    QCOMPARE(t.serial->portOpen(), open);
    QCOMPARE(t.serial->openCount, openings);
    QCOMPARE(speeds->currentText(), settings.section(u',', 0, 0));
    QVERIFY(test::control<QLabel>(w, "Lbl_ComSettings")->text().contains(settings));
    QCOMPARE(t.boxes.texts().join(u'\n').contains(refusal), true);
    QVERIFY2(t.boxes.boxes.isEmpty() == refusal.isEmpty(), qPrintable(t.boxes.texts().join(u'\n')));
    w.close();
    QFile ini(t.ini());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(ini.readAll()).contains(QStringLiteral("Speed=") + settings.section(u',', 0, 0)));
}

void TestLineUi::sendFileShowsProgressAndEscStops()
{
    test::FakeWindow t;
    FrmMain &w = *t.w;
    w.show();
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QTemporaryDir dir;
    QFile file(dir.filePath("s3100.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(3000, 'x')) == 3000);
    file.close();
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_SendFile"), Qt::LeftButton);
    auto *dialog = w.findChild<QFileDialog *>("Dlg_SendFile");
    QVERIFY(dialog && dialog->isVisible());
    dialog->selectFile(file.fileName());
    QMetaObject::invokeMethod(dialog, "accept");
    auto *bar = test::control<QProgressBar>(w, "Bar_SendFile");
    QVERIFY2(bar->isVisible(), qPrintable(t.boxes.texts().join(u'\n')));
    QVERIFY(bar->text().contains(u"s3100.bin"_qs));
    t.serial->receiveBytes("C");
    QTRY_COMPARE(t.serial->bytesWritten.size(), 1029);
    t.serial->receiveBytes("\x06");
    QTRY_VERIFY(bar->text().contains(u"s3100.bin：1/3 块，1024/3000 字节"_qs));
    QVERIFY(!test::control<QLineEdit>(w, "Text2")->isVisible());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Escape);
    QTRY_VERIFY(!bar->isVisible());
    QVERIFY(t.serial->bytesWritten.endsWith(XmodemSender::cancelSequence()));
    QTRY_VERIFY(t.boxes.texts().join(u'\n').contains(u"已停止发送文件 s3100.bin"_qs));
    QVERIFY(test::control<QLineEdit>(w, "Text2")->isVisible());
}

void TestLineUi::bootMenuSpeedQuestion()
{
    test::FakeWindow t;
    FrmMain &w = *t.w;
    w.show();
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    test::control<QCheckBox>(w, "Chk_BootMenu")->setChecked(true);
    t.serial->receive(QStringLiteral("Press Ctrl-B to enter Boot Menu... 5"));
    QTRY_COMPARE(t.serial->written(), QStringLiteral("\x02"));
    QVERIFY(!test::control<QCheckBox>(w, "Chk_BootMenu")->isChecked());
    t.serial->receive(QStringLiteral("Please change the terminal's baudrate to 57600 bps, press ENTER when ready.\r\n"));
    QMessageBox *question = nullptr;
    QTRY_VERIFY((question = w.findChild<QMessageBox *>("Box_SpeedChange")) && question->isVisible());
    question->buttons().constFirst()->click();
    QCOMPARE(t.serial->settings(), QStringLiteral("57600,n,8,1"));
    QCOMPARE(t.serial->written(), QStringLiteral("\x02\r"));
    QCOMPARE(test::control<QComboBox>(w, "Combo3")->currentText(), QStringLiteral("57600"));
}

QTEST_MAIN(TestLineUi)
#include "test_lineui.moc"
