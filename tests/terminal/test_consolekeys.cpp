// What each key typed at the console sends, and which keys stay the window's.
#include "terminal/consolekeys.h"

#include <QTest>

using namespace tarnwell;

class TestConsoleKeys : public QObject {
    Q_OBJECT
private slots:
    void paneKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("sent"); // "-": nothing, the pane or the window keeps the key
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("letter") << int(Qt::Key_D) << 0 << "d" << false << "d";
        QTest::newRow("capital") << int(Qt::Key_D) << shift << "D" << false << "D";
        QTest::newRow("chinese text") << 0 << 0 << "中" << false << "中";
        QTest::newRow("enter") << int(Qt::Key_Return) << 0 << "\r" << false << "\r";
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << false << "\r";
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "\b" << false << "\b";
        QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "\t" << false << "\t";
        QTest::newRow("esc") << int(Qt::Key_Escape) << 0 << "\x1b" << false << "\x1b";
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << "" << false << "\x1b[A";
        QTest::newRow("down") << int(Qt::Key_Down) << 0 << "" << false << "\x1b[B";
        QTest::newRow("right") << int(Qt::Key_Right) << 0 << "" << false << "\x1b[C";
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << "" << false << "\x1b[D";
        QTest::newRow("shift+up scrolls") << int(Qt::Key_Up) << shift << "" << false << "-";
        QTest::newRow("page up scrolls") << int(Qt::Key_PageUp) << 0 << "" << false << "-";
        QTest::newRow("f1") << int(Qt::Key_F1) << 0 << "" << false << "-";
        QTest::newRow("lone shift") << int(Qt::Key_Shift) << shift << "" << false << "-";
        QTest::newRow("ctrl+c") << int(Qt::Key_C) << ctrl << "\x03" << false << "\x03";
        QTest::newRow("ctrl+c, selection: copy") << int(Qt::Key_C) << ctrl << "\x03" << true << "-";
        QTest::newRow("ctrl+shift+c: copy") << int(Qt::Key_C) << (ctrl | shift) << "" << false << "-";
        QTest::newRow("ctrl+b") << int(Qt::Key_B) << ctrl << "" << false << "\x02";
        QTest::newRow("ctrl+d") << int(Qt::Key_D) << ctrl << "" << false << "\x04";
        QTest::newRow("ctrl+k") << int(Qt::Key_K) << ctrl << "" << false << "\x0b";
        QTest::newRow("ctrl+z") << int(Qt::Key_Z) << ctrl << "" << false << "\x1a";
        QTest::newRow("ctrl+]") << int(Qt::Key_BracketRight) << ctrl << "" << false << "\x1d";
        QTest::newRow("ctrl+space: NUL") << int(Qt::Key_Space) << ctrl << "" << false << QString(QChar(0));
        QTest::newRow("ctrl+v: paste") << int(Qt::Key_V) << ctrl << "" << false << "-";
        QTest::newRow("ctrl+f: find") << int(Qt::Key_F) << ctrl << "" << false << "-";
        QTest::newRow("ctrl+a: select all") << int(Qt::Key_A) << ctrl << "" << false << "-";
        QTest::newRow("shift+insert: paste") << int(Qt::Key_Insert) << shift << "" << false << "-";
        QTest::newRow("alt+x") << int(Qt::Key_X) << int(Qt::AltModifier) << "x" << false << "-";
        QTest::newRow("text of a control character") << int(Qt::Key_unknown) << 0 << "\x07" << false << "-";
    }
    void paneKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, selection);
        QFETCH(QString, sent);
        const auto keys = paneKeySequence(key, Qt::KeyboardModifiers(modifiers), text, selection);
        QCOMPARE(keys.value_or(QStringLiteral("-")), sent);
    }
};

QTEST_GUILESS_MAIN(TestConsoleKeys)
#include "test_consolekeys.moc"
