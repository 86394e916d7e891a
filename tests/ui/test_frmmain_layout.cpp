// Layout faults of the main window: controls outside their parent, covering each other or
// hidden behind a sibling, captions that lack glyphs, the window's fixed size and the focus
// order as the keyboard walks it. Whether captions fit: test_windowtext.
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "console/terminalview.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace tarnwell;

namespace {

// The order in which Tab visits the controls.
const QStringList kFocusOrder = {
    "Text1", "Text2", "Cmd_Send_Enter", "Text3", "Cmd_GetBindInfo", "Combo1", "CmdSendSpace",
    "Txt_ManageIP", "Option1", "Option2", "Txt_Mac", "Txt_User_Name", "Txt_User_PSD",
    "Txt_Super_Name", "Txt_Super_PSD", "Cmd_Try_Bind", "Txt_Vlan", "Txt_IP", "Combo2", "Combo3",
    "Combo4", "Combo5", "Combo6", "Combo7", "Cmd_WenHao", "Cmd_Tab", "Cmd_Switch", "Cmd_PSD",
    "Cmd_Break", "Cmd_Try_Undo", "Txt_PortNum", "Opt_Sw3100", "Opt_Sw3600", "Cmd_Back",
    "Cmd_Save", "Cmd_Reboot", "Cmd_Login", QString::fromUtf8("C买的")};

// Sibling pairs that lie over each other by design: the input-area caption over the input
// line's corner, and the two caption-less option frames, whose rectangles share a strip.
bool overlapAllowed(const QWidget *a, const QWidget *b)
{
    const QSet<QString> pair{a->objectName(), b->objectName()};
    return pair == QSet<QString>{"Text12", "Text2"} || pair == QSet<QString>{"Frame3", "Frame2"};
}

// Neighbouring controls of the form share their edge pixel (a 15-twip overlap); only a
// deeper overlap counts.
bool overlaps(const QRect &a, const QRect &b)
{
    const QRect i = a.intersected(b);
    return i.width() > 1 && i.height() > 1;
}

struct Window {
    test::ConfigHome home;
    test::MessageRecorder boxes;
    std::unique_ptr<FrmMain> w;

    Window()
    {
        // No closing fade: these tests close many windows.
        setMemoryStatusSource([] { return std::optional<MemoryStatus>(); });
        w = std::make_unique<FrmMain>(std::make_unique<test::FakeSerialControl>());
    }
    ~Window()
    {
        w.reset();
        setMemoryStatusSource(nullptr);
    }
};

// The form's controls: named widgets placed on the window or in one of its frames (the
// inner parts of composite widgets are not named or carry Qt's own "qt_" names).
QList<QWidget *> controls(QWidget *window)
{
    QList<QWidget *> out;
    for (QWidget *c : window->findChildren<QWidget *>()) {
        if (c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QWidget *p = c->parentWidget();
        if (p == window || qobject_cast<QGroupBox *>(p))
            out.append(c);
    }
    return out;
}

QRect titleRect(const QGroupBox *box)
{
    if (box->title().isEmpty())
        return {};
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.textAlignment = box->alignment();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
}

QString describe(const QWidget *c)
{
    const QRect g = c->geometry();
    return QStringLiteral("%1 (%2,%3 %4x%5 in %6)")
        .arg(c->objectName())
        .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
        .arg(c->parentWidget()->objectName());
}

QStringList captionsOf(QWidget *c)
{
    if (auto *l = qobject_cast<QLabel *>(c))
        return {l->text()};
    if (auto *b = qobject_cast<QAbstractButton *>(c))
        return {b->text()};
    if (auto *g = qobject_cast<QGroupBox *>(c))
        return {g->title()};
    if (auto *e = qobject_cast<QLineEdit *>(c))
        return {e->text()};
    if (auto *combo = qobject_cast<QComboBox *>(c)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    return {};
}

} // namespace

class TestFrmMainLayout : public QObject {
    Q_OBJECT
private slots:
    void fixedClientSize();
    void everyControlInsideItsParent();
    void noOverlapsBetweenSiblings();
    void everyControlReachableWhereItIsDrawn();
    void lampPicturesShareOnePlace();
    void opaqueLampLooksSeeThrough();
    void captionsHaveGlyphs();
    void spotCheckTexts_data();
    void spotCheckTexts();
    void focusChainOrder();
    void text1FocusedAfterShow();
    void tabWalksTheOrder_data();
    void tabWalksTheOrder();
};

void TestFrmMainLayout::fixedClientSize()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(981, 649));
    QCOMPARE(w.minimumSize(), QSize(981, 649));
    QCOMPARE(w.maximumSize(), QSize(981, 649));
    w.resize(1200, 800);
    QCoreApplication::processEvents();
    QCOMPARE(w.size(), QSize(981, 649));
}

void TestFrmMainLayout::everyControlInsideItsParent()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QWidget *> all = controls(&w);
    QCOMPARE(all.size(), 64); // every control of the form, timers and the serial control aside
    QStringList faults;
    for (QWidget *c : all) {
        QWidget *p = c->parentWidget();
        if (!p->rect().contains(c->geometry()))
            faults << describe(c) + " leaves its parent";
        // The frame caption is drawn at the top left; nothing may cover it.
        if (auto *box = qobject_cast<QGroupBox *>(p); box && c->geometry().intersects(titleRect(box)))
            faults << describe(c) + " covers the caption of " + box->objectName();
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void TestFrmMainLayout::noOverlapsBetweenSiblings()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QWidget *> all = controls(&w);
    QStringList faults;
    for (qsizetype i = 0; i < all.size(); ++i) {
        for (qsizetype j = i + 1; j < all.size(); ++j) {
            QWidget *a = all[i], *b = all[j];
            if (a->parentWidget() != b->parentWidget() || !a->isVisible() || !b->isVisible())
                continue;
            if (overlaps(a->geometry(), b->geometry()) && !overlapAllowed(a, b))
                faults << describe(a) + " overlaps " + describe(b);
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

// What the user sees and clicks: the centre and the (slightly inset) corners of every visible
// control hit that control, not a sibling stacked above it. Points inside a sibling that may
// lie over it by design are left out.
void TestFrmMainLayout::everyControlReachableWhereItIsDrawn()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QWidget *> all = controls(&w);
    QStringList faults;
    for (QWidget *c : all) {
        if (!c->isVisible())
            continue;
        const QRect r = c->rect().adjusted(2, 2, -2, -2);
        for (const QPoint p : {r.center(), r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            const QPoint inParent = c->mapToParent(p);
            bool exempt = false;
            for (QWidget *s : all)
                exempt |= s != c && s->parentWidget() == c->parentWidget() && s->isVisible()
                          && overlapAllowed(c, s) && s->geometry().contains(inParent);
            if (exempt)
                continue;
            QWidget *hit = w.childAt(c->mapTo(&w, p));
            if (hit != c && !c->isAncestorOf(hit))
                faults << QStringLiteral("%1 at (%2,%3) is covered by %4")
                              .arg(describe(c)).arg(p.x()).arg(p.y())
                              .arg(hit ? hit->objectName() : QStringLiteral("nothing"));
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    // The input-area caption is drawn over the input line, not hidden below it.
    QCOMPARE(w.childAt(w.Text12->geometry().center()), w.Text12);
}

void TestFrmMainLayout::lampPicturesShareOnePlace()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.Image2->parentWidget(), w.Image3->parentWidget());
    QCOMPARE(w.Image2->geometry(), w.Image3->geometry());
    QVERIFY(w.Image2->isVisible());
    QVERIFY(!w.Image3->isVisible());
    // While the port is open the lamp blinks; at any moment exactly one picture shows.
    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(w.Image2->isVisible() != w.Image3->isVisible());
        QSignalSpy tick(w.Timer2, &QTimer::timeout);
        QVERIFY(tick.wait(5000));
    }
    w.Cmd_Switch->click();
    QVERIFY(w.Image2->isVisible() && !w.Image3->isVisible());
}

// The lamp pictures are filled so that a swap does not repaint the frame beneath them; the fill
// must be exactly the colour the frame shows there, in either lamp state.
void TestFrmMainLayout::opaqueLampLooksSeeThrough()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (QLabel *lamp : {w.Image2, w.Image3})
        QVERIFY2(lamp->autoFillBackground(), qPrintable(lamp->objectName()));
    for (const bool lit : {false, true}) {
        w.Image2->setVisible(!lit);
        w.Image3->setVisible(lit);
        const QImage opaque = w.FrameSettings->grab().toImage();
        for (QLabel *lamp : {w.Image2, w.Image3})
            lamp->setAutoFillBackground(false);
        const QImage seeThrough = w.FrameSettings->grab().toImage();
        for (QLabel *lamp : {w.Image2, w.Image3})
            lamp->setAutoFillBackground(true);
        QVERIFY2(opaque == seeThrough, lit ? "lit" : "unlit");
    }
}

void TestFrmMainLayout::captionsHaveGlyphs()
{
    Window t;
    FrmMain &w = *t.w;
    QStringList faults;
    int checked = 0;
    for (QWidget *c : controls(&w)) {
        const QFontMetrics fm(c->font());
        for (const QString &text : captionsOf(c)) {
            for (const char32_t ch : text.toUcs4()) {
                if (ch == U' ')
                    continue;
                ++checked;
                if (!fm.inFontUcs4(ch))
                    faults << QStringLiteral("%1: no glyph for %2 in %3")
                                  .arg(c->objectName(), QString::fromUcs4(&ch, 1), c->font().family());
            }
        }
    }
    QVERIFY2(checked > 300, qPrintable(QString::number(checked)));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void TestFrmMainLayout::spotCheckTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");
    // Full- and half-width marks, blanks and the odd character are where a copy goes wrong.
    QTest::newRow("Tab tooltip keeps 健") << "Cmd_Tab" << QByteArray("toolTip") << "Tab健补全命令";
    QTest::newRow("break tooltip blanks") << "Cmd_Break" << QByteArray("toolTip") << "相当于Ctrl + K";
    QTest::newRow("hint tooltip half-width ?") << "Cmd_WenHao" << QByteArray("toolTip") << "?提示当前可以用的命令";
    QTest::newRow("save tooltip ]") << "Cmd_Save" << QByteArray("toolTip") << "]状态下保存当前交换机配置";
    QTest::newRow("unbind tooltip") << "Cmd_Try_Undo" << QByteArray("toolTip") << "根据输入的mac等形成解绑定命令并执行";
    QTest::newRow("mac tooltip") << "Txt_Mac" << QByteArray("toolTip") << "格式xxxx-xxxx-xxxx";
    QTest::newRow("access half-width brackets") << "Option1" << QByteArray("text") << "Access(接电脑用)";
    QTest::newRow("trunk half-width brackets") << "Option2" << QByteArray("text") << "Trunk(接交换机)";
    QTest::newRow("flow label colon") << "Label16" << QByteArray("text") << "数据流控制:";
    QTest::newRow("input caption") << "Text12" << QByteArray("text") << "输入区";
}

void TestFrmMainLayout::spotCheckTexts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);
    Window t;
    QWidget *c = t.w->findChild<QWidget *>(name);
    QVERIFY2(c, qPrintable(name));
    QCOMPARE(c->property(property.constData()).toString(), expected);
}

void TestFrmMainLayout::focusChainOrder()
{
    Window t;
    FrmMain &w = *t.w;
    // Every name of the order is the object name of the member of that name.
    QCOMPARE(w.findChild<QWidget *>("Text1"), w.Text1);
    QCOMPARE(w.findChild<QWidget *>("Txt_PortNum"), w.Txt_PortNum);
    QCOMPARE(w.findChild<QPushButton *>(QString::fromUtf8("C买的")), w.C买的);
    const QList<QWidget *> all = controls(&w);
    QStringList chain;
    QWidget *c = w.Text1;
    do {
        if (all.contains(c) && (c->focusPolicy() & Qt::TabFocus))
            chain << c->objectName();
        c = c->nextInFocusChain();
    } while (c && c != w.Text1 && chain.size() <= kFocusOrder.size());
    QCOMPARE(chain, kFocusOrder);
}

void TestFrmMainLayout::text1FocusedAfterShow()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.Text1);
}

void TestFrmMainLayout::tabWalksTheOrder_data()
{
    QTest::addColumn<bool>("forward");
    QTest::newRow("Tab") << true;
    QTest::newRow("Shift+Tab") << false;
}

// The keyboard walks the order round to Text1 again. A group of option buttons is one stop
// (arrow keys move within it), so its buttons count as their frame.
void TestFrmMainLayout::tabWalksTheOrder()
{
    QFETCH(bool, forward);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const auto stop = [&](const QString &name) {
        QWidget *c = w.findChild<QWidget *>(name);
        return qobject_cast<QRadioButton *>(c) ? c->parentWidget()->objectName() : name;
    };
    QStringList expected;
    for (const QString &name : kFocusOrder)
        if (expected.isEmpty() || expected.last() != stop(name))
            expected << stop(name);
    QCOMPARE(expected.size(), kFocusOrder.size() - 2);
    if (!forward)
        std::reverse(expected.begin() + 1, expected.end());
    expected << "Text1"; // and round again

    QStringList walked;
    QCOMPARE(QApplication::focusWidget(), w.Text1);
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        QWidget *f = QApplication::focusWidget();
        walked << (f ? stop(f->objectName()) : QStringLiteral("<none>"));
    }
    QCOMPARE(walked, expected.mid(1));
}

QTEST_MAIN(TestFrmMainLayout)
#include "test_frmmain_layout.moc"
