// What the user reads: every control of both windows drawn in a Song face at its own size with
// its caption whole, and the texts Qt draws itself (buttons, context menus) in Chinese.
#include "support/controls.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"
#include "ui/help/frmhelp.h"
#include "ui/keybutton.h"
#include "ui/memoryinfo.h"
#include "ui/messageboxes.h"
#include "ui/qtchinese.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>

using namespace tarnwell;

namespace {

// Song (Ming) faces: SimSun where installed, else the ones Debian ships.
const QStringList kSongFaces = {"SimSun", "宋体", "NSimSun", "AR PL UMing CN", "Noto Serif CJK SC"};

// Controls whose size differs from the window's 12 pt.
const QHash<QString, qreal> kOwnSize = {
    {"Combo1", 18}, {"Txt_PortNum", 18}, {"Frame2", 14.25}, {"Option1", 14.25}, {"Option2", 14.25},
    {"Cmd_SerialBreak", 9}};

// Width the caption needs beyond the room the control offers for it; 0 when it fits or has none.
int shortfall(QWidget *c)
{
    const QFontMetrics fm(c->font());
    QStyle *s = c->style();
    if (auto *key = qobject_cast<KeyButton *>(c)) { // one character above the other
        int widest = 0;
        for (const QChar ch : key->text())
            widest = qMax(widest, fm.horizontalAdvance(ch));
        return qMax(0, widest + 4 - key->width());
    }
    if (auto *b = qobject_cast<QPushButton *>(c)) { // the widest line of the caption
        int widest = 0;
        for (const QString &line : b->text().split(u'\n'))
            widest = qMax(widest, fm.horizontalAdvance(line));
        return qMax(0, widest + 6 - b->width());
    }
    if (auto *r = qobject_cast<QRadioButton *>(c)) { // right of the circle
        QStyleOptionButton opt;
        opt.initFrom(r);
        return qMax(0, fm.horizontalAdvance(r->text()) - s->subElementRect(QStyle::SE_RadioButtonContents, &opt, r).width());
    }
    if (qobject_cast<QLabel *>(c))
        return qMax(0, c->sizeHint().width() - c->width());
    if (auto *e = qobject_cast<QLineEdit *>(c); e && !e->text().isEmpty()) {
        const int frame = e->hasFrame() ? 2 * s->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        const QMargins m = e->textMargins();
        return qMax(0, fm.horizontalAdvance(e->text()) + 4 + m.left() + m.right() + frame - e->width());
    }
    if (auto *combo = qobject_cast<QComboBox *>(c)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = qMax(widest, fm.horizontalAdvance(combo->itemText(i)));
        return qMax(0, widest - s->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo).width());
    }
    if (auto *box = qobject_cast<QGroupBox *>(c); box && !box->title().isEmpty()) {
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.subControls = QStyle::SC_GroupBoxLabel;
        const int left = s->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box).left();
        return qMax(0, left + fm.horizontalAdvance(box->title()) - box->width());
    }
    return 0;
}

} // namespace

class TestWindowText : public QObject {
    Q_OBJECT
    test::ConfigHome m_home;
    test::MessageRecorder m_boxes;
    std::unique_ptr<FrmMain> m_main;
    std::unique_ptr<FrmHelp> m_help;

private slots:
    void initTestCase()
    {
        QVERIFY2(installQtChinese(qApp), "qt6-translations-l10n is not installed");
        setMemoryStatusSource([] { return std::optional<MemoryStatus>(); });
        m_main = std::make_unique<FrmMain>(std::make_unique<test::FakeSerialControl>());
        m_help = std::make_unique<FrmHelp>();
        // The longest port-settings line the lists can produce.
        test::control<QComboBox>(*m_main, "Combo2")->setCurrentIndex(test::control<QComboBox>(*m_main, "Combo2")->count() - 1);
        test::control<QComboBox>(*m_main, "Combo3")->setCurrentText("38400");
        test::control<QComboBox>(*m_main, "Combo4")->setCurrentIndex(2);
        test::control<QComboBox>(*m_main, "Combo6")->setCurrentText("1.5");
        test::control<QComboBox>(*m_main, "Combo7")->setCurrentText("RTSXon/Xoff");
        QCOMPARE(test::control<QLabel>(*m_main, "Lbl_ComSettings")->text(), "设置:COM16 38400,e,8,1.5 握手:RTSXon/Xoff");
        m_main->show();
        m_help->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()) && QTest::qWaitForWindowExposed(m_help.get()));
    }
    void cleanupTestCase() { m_help.reset(), m_main.reset(), setMemoryStatusSource(nullptr); }

    void controlFontAndCaption_data()
    {
        // Named controls placed on a window or in one of its frames.
        QTest::addColumn<QWidget *>("c");
        int rows = 0;
        for (QWidget *top : {static_cast<QWidget *>(m_main.get()), static_cast<QWidget *>(m_help.get())})
            for (QWidget *c : top->findChildren<QWidget *>())
                if (!c->objectName().isEmpty() && !c->objectName().startsWith(QLatin1String("qt_"))
                    && (c->parentWidget() == top || qobject_cast<const QGroupBox *>(c->parentWidget())))
                    ++rows, QTest::addRow("%s %s", qPrintable(top->objectName()), qPrintable(c->objectName())) << c;
        QCOMPARE(rows, 71); // 70 controls of the main window, the help window's text box
    }
    void controlFontAndCaption()
    {
        QFETCH(QWidget *, c);
        QVERIFY2(kSongFaces.contains(QFontInfo(c->font()).family()), qPrintable(QFontInfo(c->font()).family()));
        QCOMPARE(c->font().pointSizeF(), kOwnSize.value(c->objectName(), 12));
        QCOMPARE(shortfall(c), 0);
    }

    void qtTextsAreChinese()
    {
        // What the core tells the user comes up in a real message box over the window.
        const MessageBoxHandler recorder = setMessageBoxHandler({});
        useMessageBoxes();
        QStringList texts;
        QTimer::singleShot(0, this, [&] { // what the box shows, then closed
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text() + box->windowTitle() << box->button(QMessageBox::Ok)->text();
                box->accept();
            }
        });
        messageBox(QStringLiteral("x"), QStringLiteral("t"));
        setMessageBoxHandler(recorder);
        QCOMPARE(texts.value(0), QStringLiteral("xt"));
        texts.removeFirst();
        const std::unique_ptr<QMenu> lineMenu(test::control<QLineEdit>(*m_main, "Txt_Mac")->createStandardContextMenu());
        const std::unique_ptr<QMenu> textMenu(test::control<QPlainTextEdit>(*m_main, "Text3")->createStandardContextMenu());
        for (const QMenu *menu : {lineMenu.get(), textMenu.get()})
            for (const QAction *a : menu->actions())
                if (!a->isSeparator()) // without the accelerator "(&U)" / "&" and the shortcut
                    texts << a->text().section(u'\t', 0, 0).remove(QRegularExpression("\\(&.\\)")).remove(u'&');
        QSerialPort missing(QStringLiteral("/nonexistent/tarnwell-port")); // error descriptions too
        QVERIFY(!missing.open(QIODevice::ReadWrite));
        texts << missing.errorString();
        QCOMPARE_GE(texts.size(), 9); // OK, the two menus, the error
        for (const QString &text : texts)
            QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(text));
    }

    // The notice (a lost port) is one box that waits for nobody: each notice replaces the text of
    // the one up, the window goes on meanwhile, an empty text closes it.
    void noticeIsOneBoxThatDoesNotWait()
    {
        const MessageBoxHandler boxes = setMessageBoxHandler({}), notices = setNoticeHandler({});
        useMessageBoxes();
        const auto shown = [] {
            QStringList texts;
            for (QWidget *w : QApplication::allWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    texts << box->text();
            return texts;
        };
        notice(QStringLiteral("串口设备已断开"), QStringLiteral("出错喽"));
        notice(QStringLiteral("串口设备已断开(已断开 2 次)"), QStringLiteral("出错喽"));
        QCOMPARE(shown(), QStringList{"串口设备已断开(已断开 2 次)"});
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        notice(QString());
        QTRY_COMPARE(shown(), QStringList());
        setMessageBoxHandler(boxes);
        setNoticeHandler(notices);
    }
};

QTEST_MAIN(TestWindowText)
#include "test_windowtext.moc"
