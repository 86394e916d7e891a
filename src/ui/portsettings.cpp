#include "ui/portsettings.h"

#include "base/error.h"
#include "serial/serialcontrol.h"
#include "base/usermessages.h"

#include "serial/linesettings.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tarnwell {

namespace {

const char *const kParityLetters[] = {"n", "o", "e"};

// A list text read as a whole decimal number; an empty or other text is a conversion error.
qint32 listNumber(const QComboBox *list, const char *what)
{
    bool ok = false;
    const qint32 value = list->currentText().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("%1“%2”不是数字").arg(QString::fromUtf8(what), list->currentText()));
    return value;
}

// Takes Enter in a typed speed: it applies the speed, and goes no further (to the window, whose
// Enter sends the input line).
class ReturnKey : public QObject {
public:
    ReturnKey(QObject *parent, std::function<void()> pressed) : QObject(parent), m_pressed(std::move(pressed)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_pressed();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_pressed;
};

bool selectIndex(QComboBox *list, int index)
{
    if (index < 0 || index >= list->count())
        return false;
    list->setCurrentIndex(index);
    return true;
}

bool selectText(QComboBox *list, const QString &text)
{
    return selectIndex(list, list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

} // namespace

PortSettings::PortSettings(SerialControl &serial, const Controls &controls)
    : m_serial(serial), m_c(controls)
{
}

void PortSettings::populate(const Controls &c)
{
    for (int n = 1; n <= 16; ++n)
        c.portList->addItem(QStringLiteral("COM%1").arg(n), n);
    c.speedList->addItems({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"});
    c.parityList->addItems({"无", "奇校验", "偶校验"});
    c.dataBitsList->addItems({"5", "6", "7", "8"});
    c.stopBitsList->addItems({"1", "1.5", "2"});
    c.flowList->addItems({"无", "Xon/Xoff", "RTS", "RTSXon/Xoff"});
    for (QComboBox *list : {c.portList, c.speedList, c.parityList, c.dataBitsList, c.stopBitsList, c.flowList}) {
        list->setEditable(false);
        list->setCurrentIndex(-1);
    }
    // Other rates can be typed in (checked when applied); typing never adds to the list.
    c.speedList->setEditable(true);
    c.speedList->setInsertPolicy(QComboBox::NoInsert);
    c.speedList->setCurrentIndex(-1);
    c.speedList->lineEdit()->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,7}")), c.speedList));
    c.speedList->setToolTip(QStringLiteral("可以输入列表中没有的标准速率(如 230400)，按回车生效；端口打开时也可以更改"));
    // The settings the serial control starts with, the parity letter as the lists show it.
    tarnwell::commSettings initial = defaultCommSettings();
    initial.Check = initial.Check.toUpper();
    c.settingsLabel->setText(QStringLiteral("当前设置:COM%1 ").arg(initial.PortNum) + lineSettingsText(initial));
}

void PortSettings::connectLists()
{
    for (QComboBox *list : {m_c.portList, m_c.parityList, m_c.dataBitsList, m_c.stopBitsList, m_c.flowList})
        QObject::connect(list, &QComboBox::currentIndexChanged, list, [this] { applyCommSettings(); });
    QObject::connect(m_c.speedList, &QComboBox::currentIndexChanged, m_c.speedList, [this] { speedChosen(); });
    m_c.speedList->lineEdit()->installEventFilter(new ReturnKey(m_c.speedList, [this] { speedChosen(); }));
    // A speed changed elsewhere (the boot menu's download) is shown and remembered.
    QObject::connect(&m_serial, &SerialControl::speedChanged, m_c.speedList, [this](qint32 baud) { showSpeed(baud); });
}

// A speed picked or typed: on a closed port applied with the other settings, on an open one at
// once without closing it. A speed the port refuses gives the error dialog and the list shows
// the speed in force again.
void PortSettings::speedChosen()
{
    if (m_showingSpeed || m_c.speedList->currentText() == QString::number(commSettings.Speed))
        return;
    bool ok;
    if (!m_serial.portOpen())
        ok = applyEnabled && trapErrors([this] { applySteps(); });
    else
        ok = trapErrors([this] { m_serial.setSpeed(listNumber(m_c.speedList, "波特率")); });
    if (!ok && m_applied)
        showSpeed(commSettings.Speed);
}

void PortSettings::showSpeed(qint32 baud)
{
    m_showingSpeed = true;
    if (!selectText(m_c.speedList, QString::number(baud)))
        m_c.speedList->setEditText(QString::number(baud));
    m_showingSpeed = false;
    commSettings.Speed = baud;
    showLabel();
}

void PortSettings::showLabel()
{
    m_c.settingsLabel->setText(QStringLiteral("设置:COM%1 %2 握手:%3")
                                   .arg(m_serial.commPort())
                                   .arg(m_serial.settings(), m_c.flowList->itemText(m_serial.handshaking())));
}

void PortSettings::applyCommSettings()
{
    if (!applyEnabled)
        return;
    trapErrors([this] { applySteps(); });
}

void PortSettings::applySteps()
{
    if (m_serial.portOpen())
        m_serial.setPortOpen(false);
    const int parityIndex = m_c.parityList->currentIndex();
    const QString parity = (parityIndex >= 0 && parityIndex < 3)
                               ? QString::fromLatin1(kParityLetters[parityIndex]) : QString();
    // The record takes the new values once the serial control has taken them all.
    tarnwell::commSettings next;
    next.PortNum = qint16(m_c.portList->currentData().toInt());
    m_serial.setCommPort(next.PortNum);
    next.Speed = listNumber(m_c.speedList, "波特率");
    next.Check = parity;
    next.Data = qint16(listNumber(m_c.dataBitsList, "数据位"));
    next.Stop = m_c.stopBitsList->currentText();
    next.HandShake = qint16(m_c.flowList->currentIndex());
    m_serial.setSettings(m_c.speedList->currentText() + u',' + parity + u',' + m_c.dataBitsList->currentText()
                         + u',' + m_c.stopBitsList->currentText());
    m_serial.setHandshaking(m_c.flowList->currentIndex());
    commSettings = next;
    showLabel();
    m_applied = true;
}

void PortSettings::fillCommLists()
{
    applyEnabled = false;
    if (!settingsLoaded || !select(commSettings)) {
        // No stored settings, or some cannot be selected: the defaults, without a message.
        select(defaultCommSettings());
    }
    applyEnabled = true;
    applyCommSettings();
}

bool PortSettings::select(const tarnwell::commSettings &s)
{
    if (!selectIndex(m_c.portList, s.PortNum - 1))
        return false;
    // A rate typed in an earlier session is shown as typed, when the port can take it.
    if (!selectText(m_c.speedList, QString::number(s.Speed))) {
        try {
            parseLineSettings(QString::number(s.Speed) + QStringLiteral(",n,8,1"));
        } catch (const Error &) {
            return false;
        }
        m_c.speedList->setEditText(QString::number(s.Speed));
    }
    // The parity letter in either case ("N" is what the status label shows); a missing or
    // unknown one selects the default entry, silently, and the other stored values still count.
    int parity = 0;
    for (int i = 0; i < 3; ++i)
        if (s.Check.compare(QLatin1String(kParityLetters[i]), Qt::CaseInsensitive) == 0)
            parity = i;
    m_c.parityList->setCurrentIndex(parity);
    return selectText(m_c.dataBitsList, QString::number(s.Data)) && selectText(m_c.stopBitsList, s.Stop)
           && selectIndex(m_c.flowList, s.HandShake);
}

void PortSettings::setListsEnabled(bool enabled)
{
    // The speed stays: it changes on an open port too.
    for (QComboBox *list : {m_c.portList, m_c.parityList, m_c.dataBitsList, m_c.stopBitsList, m_c.flowList})
        list->setEnabled(enabled);
}

} // namespace tarnwell
