#include "ui/portsettings.h"

#include "base/error.h"
#include "serial/serialcontrol.h"
#include "base/usermessages.h"

#include <QComboBox>
#include <QLabel>

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
        c.Combo2->addItem(QStringLiteral("COM%1").arg(n), n);
    c.Combo3->addItems({"1200", "2400", "4800", "9600", "19200", "38400"});
    c.Combo4->addItems({"无", "奇校验", "偶校验"});
    c.Combo5->addItems({"5", "6", "7", "8"});
    c.Combo6->addItems({"1", "1.5", "2"});
    c.Combo7->addItems({"无", "Xon/Xoff", "RTS", "RTSXon/Xoff"});
    for (QComboBox *list : {c.Combo2, c.Combo3, c.Combo4, c.Combo5, c.Combo6, c.Combo7}) {
        list->setEditable(false);
        list->setCurrentIndex(-1);
    }
    // The settings the serial control starts with, the parity letter as the lists show it.
    tarnwell::CommSettings initial = defaultCommSettings();
    initial.Check = initial.Check.toUpper();
    c.Lbl_ComSettings->setText(QStringLiteral("当前设置:COM%1 ").arg(initial.PortNum) + lineSettingsText(initial));
}

void PortSettings::connectLists()
{
    for (QComboBox *list : {m_c.Combo2, m_c.Combo3, m_c.Combo4, m_c.Combo5, m_c.Combo6, m_c.Combo7})
        QObject::connect(list, &QComboBox::currentIndexChanged, list, [this] { ApplyCommSettings(); });
}

void PortSettings::ApplyCommSettings()
{
    if (!ApplyEnabled)
        return;
    trapErrors([this] { applySteps(); });
}

void PortSettings::applySteps()
{
    if (m_serial.portOpen())
        m_serial.setPortOpen(false);
    const int parityIndex = m_c.Combo4->currentIndex();
    const QString parity = (parityIndex >= 0 && parityIndex < 3)
                               ? QString::fromLatin1(kParityLetters[parityIndex]) : QString();
    CommSettings.PortNum = qint16(m_c.Combo2->currentData().toInt());
    m_serial.setCommPort(CommSettings.PortNum);
    CommSettings.Speed = listNumber(m_c.Combo3, "波特率");
    CommSettings.Check = parity;
    CommSettings.Data = qint16(listNumber(m_c.Combo5, "数据位"));
    CommSettings.Stop = m_c.Combo6->currentText();
    CommSettings.HandShake = qint16(m_c.Combo7->currentIndex());
    m_serial.setSettings(m_c.Combo3->currentText() + u',' + parity + u',' + m_c.Combo5->currentText()
                         + u',' + m_c.Combo6->currentText());
    m_serial.setHandshaking(m_c.Combo7->currentIndex());
    m_c.Lbl_ComSettings->setText(QStringLiteral("设置:COM%1 %2 握手:%3")
                                     .arg(m_serial.commPort())
                                     .arg(m_serial.settings(), m_c.Combo7->itemText(m_serial.handshaking())));
    m_applied = true;
}

void PortSettings::FillCommLists()
{
    ApplyEnabled = false;
    if (!SettingsLoaded || !select(CommSettings)) {
        // No stored settings, or some cannot be selected: the defaults, without a message.
        select(defaultCommSettings());
    }
    ApplyEnabled = true;
    ApplyCommSettings();
}

bool PortSettings::select(const tarnwell::CommSettings &s)
{
    if (!selectIndex(m_c.Combo2, s.PortNum - 1) || !selectText(m_c.Combo3, QString::number(s.Speed)))
        return false;
    // The parity letter in either case ("N" is what the status label shows); a missing or
    // unknown one selects the default entry, silently, and the other stored values still count.
    int parity = 0;
    for (int i = 0; i < 3; ++i)
        if (s.Check.compare(QLatin1String(kParityLetters[i]), Qt::CaseInsensitive) == 0)
            parity = i;
    m_c.Combo4->setCurrentIndex(parity);
    return selectText(m_c.Combo5, QString::number(s.Data)) && selectText(m_c.Combo6, s.Stop)
           && selectIndex(m_c.Combo7, s.HandShake);
}

void PortSettings::setListsEnabled(bool enabled)
{
    for (QComboBox *list : {m_c.Combo2, m_c.Combo3, m_c.Combo4, m_c.Combo5, m_c.Combo6, m_c.Combo7})
        list->setEnabled(enabled);
}

} // namespace tarnwell
