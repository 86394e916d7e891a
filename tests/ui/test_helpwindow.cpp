#include "ui/help/frmhelp.h"
#include "ui/help/helptext.h"
#include "ui/help/helpwindowholder.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include <memory>

using namespace tarnwell;

namespace {

QList<FrmHelp *> liveHelpWindows()
{
    QList<FrmHelp *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *help = qobject_cast<FrmHelp *>(w); help && help->isVisible())
            found.append(help);
    }
    return found;
}

void scrollToEnd(FrmHelp *help)
{
    QScrollBar *bar = help->txtHelp()->verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void captionIconAndOwner();
    void textBoxLooks();
    void linesAsShown();
    void readOnlyButSelectable();
    void firstShowSizeAndCentre();
    void resizeFillsClient_data();
    void resizeFillsClient();

    void twoShowsOneWindow();
    void showAgainKeepsPlaceAndRestores();
    void closeDestroysAndReopensAtTop();
    void showRightAfterCloseGivesFreshWindow();
    void closeHelpWindowFromOwner();
    void holderDeletesOpenWindow();
};

void TestHelpWindow::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        delete qobject_cast<FrmHelp *>(w);
}

void TestHelpWindow::captionIconAndOwner()
{
    FrmHelp help;
    QCOMPARE(help.windowTitle(), QStringLiteral("Tarnwell  -  帮助"));
    QVERIFY(!help.windowIcon().isNull());
    QVERIFY(help.isWindow());
    QCOMPARE(help.parentWidget(), nullptr);
    QVERIFY(help.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(help.findChild<QPlainTextEdit *>(QStringLiteral("TxtHelp")), help.txtHelp());
}

void TestHelpWindow::textBoxLooks()
{
    FrmHelp help;
    QPlainTextEdit *box = help.txtHelp();
    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base), QColor(0xFF, 0xE0, 0xC0));
    QCOMPARE(box->palette().color(QPalette::Inactive, QPalette::Base), QColor(0xFF, 0xE0, 0xC0));
    QCOMPARE(box->palette().color(QPalette::Active, QPalette::Text), QColor(0x00, 0x40, 0x00));
    QCOMPARE(box->font().pointSizeF(), 12.0);
    const QString face = QFontInfo(box->font()).family();
    QVERIFY2(QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(face),
             qPrintable(face));
}

void TestHelpWindow::linesAsShown()
{
    FrmHelp help;
    const QTextDocument *doc = help.txtHelp()->document();
    // 21 paragraphs, 20 empty lines between them, one more line inside paragraph 10.
    QCOMPARE(doc->blockCount(), 21 + 20 + 1);
    QStringList expected = helpText().split(QStringLiteral("\r\n"));
    QCOMPARE(expected.size(), doc->blockCount());
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next(), ++i)
        QCOMPARE(b.text(), expected.at(i));
    QVERIFY(doc->findBlockByNumber(19).text().startsWith(QStringLiteral("交换机信息批量复制到excel")));
    QVERIFY(doc->findBlockByNumber(20).text().isEmpty());
    QVERIFY(!doc->toPlainText().contains(QLatin1Char('\r')));
}

void TestHelpWindow::readOnlyButSelectable()
{
    FrmHelp help;
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QPlainTextEdit *box = help.txtHelp();
    QVERIFY(box->isReadOnly());
    const QString before = box->toPlainText();

    box->setFocus();
    QTest::keyClicks(box, "abc");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->toPlainText(), before);

    // Keyboard selection works, and deleting the selection does nothing.
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("感谢使用完全免费的Tarnwell。"));
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->toPlainText(), before);

    // Mouse selection: a drag across the first line selects part of it.
    box->moveCursor(QTextCursor::Start);
    const QRect first = box->cursorRect();
    QWidget *view = box->viewport();
    QTest::mousePress(view, Qt::LeftButton, {}, first.center());
    QMouseEvent move(QEvent::MouseMove, QPointF(first.center() + QPoint(120, 0)),
                     view->mapToGlobal(QPointF(first.center() + QPoint(120, 0))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, first.center() + QPoint(120, 0));
    QVERIFY(box->textCursor().hasSelection());
    QVERIFY(QStringLiteral("感谢使用完全免费的Tarnwell。").startsWith(box->textCursor().selectedText()));
}

void TestHelpWindow::firstShowSizeAndCentre()
{
    FrmHelp help;
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QCOMPARE(help.size(), FrmHelp::kClientSize);
    QCOMPARE(help.txtHelp()->geometry(), help.rect());
    const QRect avail = help.screen()->availableGeometry();
    const QPoint off = help.geometry().center() - avail.center();
    QVERIFY2(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1,
             qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
    QCOMPARE(help.txtHelp()->verticalScrollBar()->value(), 0);
    QCOMPARE(help.txtHelp()->textCursor().position(), 0);
}

void TestHelpWindow::resizeFillsClient_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("larger") << QSize(900, 700);
    QTest::newRow("narrow and tall") << QSize(90, 500);
    QTest::newRow("below the twip allowances") << QSize(7, 30);
    QTest::newRow("one pixel") << QSize(1, 1);
    QTest::newRow("zero") << QSize(0, 0);
    QTest::newRow("back to design") << FrmHelp::kClientSize;
}

void TestHelpWindow::resizeFillsClient()
{
    QFETCH(QSize, size);
    FrmHelp help;
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    help.resize(640, 480);
    help.resize(size);
    QTRY_COMPARE(help.txtHelp()->geometry(), help.rect());
    QVERIFY(help.txtHelp()->width() >= 0 && help.txtHelp()->height() >= 0);
    QCOMPARE(help.txtHelp()->pos(), QPoint(0, 0));
}

void TestHelpWindow::twoShowsOneWindow()
{
    HelpWindowHolder holder;
    FrmHelp *first = holder.showHelp();
    QVERIFY(first);
    FrmHelp *second = holder.showHelp();
    QCOMPARE(second, first);
    QCOMPARE(holder.window(), first);
    QCOMPARE(liveHelpWindows().size(), 1);
    QVERIFY(first->isVisible());
}

void TestHelpWindow::showAgainKeepsPlaceAndRestores()
{
    HelpWindowHolder holder;
    FrmHelp *help = holder.showHelp();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    help->move(15, 25);
    QTRY_COMPARE(help->pos(), QPoint(15, 25));
    help->showMinimized();
    QVERIFY(help->isMinimized());

    QCOMPARE(holder.showHelp(), help);
    QVERIFY(!help->isMinimized());
    // Only a new window is centred; showing the open one leaves it where the user put it.
    QCOMPARE(help->pos(), QPoint(15, 25));
}

void TestHelpWindow::closeDestroysAndReopensAtTop()
{
    HelpWindowHolder holder;
    QPointer<FrmHelp> first = holder.showHelp();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    scrollToEnd(first);
    QVERIFY(first->txtHelp()->verticalScrollBar()->value() > 0);

    QVERIFY(first->close());
    QCOMPARE(holder.window(), nullptr);
    QTRY_VERIFY(first.isNull());

    FrmHelp *second = holder.showHelp();
    QVERIFY(second);
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(second->txtHelp()->verticalScrollBar()->value(), 0);
    QCOMPARE(liveHelpWindows().size(), 1);
}

void TestHelpWindow::showRightAfterCloseGivesFreshWindow()
{
    // The closed window is only deleted later by the event loop; a click in between
    // must not bring back the dying one.
    HelpWindowHolder holder;
    QPointer<FrmHelp> first = holder.showHelp();
    scrollToEnd(first);
    first->close();
    QVERIFY(!first.isNull());

    QPointer<FrmHelp> second = holder.showHelp();
    QVERIFY(second != first);
    QVERIFY(second->isVisible());
    QTRY_VERIFY(first.isNull());
    QVERIFY(!second.isNull());
    QCOMPARE(holder.window(), second.data());
    QCOMPARE(second->txtHelp()->verticalScrollBar()->value(), 0);
}

void TestHelpWindow::closeHelpWindowFromOwner()
{
    HelpWindowHolder holder;
    holder.closeHelpWindow(); // nothing open: nothing happens

    QPointer<FrmHelp> help = holder.showHelp();
    holder.closeHelpWindow();
    QCOMPARE(holder.window(), nullptr);
    QVERIFY(liveHelpWindows().isEmpty());
    QTRY_VERIFY(help.isNull());
    holder.closeHelpWindow();
}

void TestHelpWindow::holderDeletesOpenWindow()
{
    QPointer<FrmHelp> help;
    {
        HelpWindowHolder holder;
        help = holder.showHelp();
        QVERIFY(!help.isNull());
    }
    QVERIFY(help.isNull());
}

QTEST_MAIN(TestHelpWindow)
#include "test_helpwindow.moc"
