#pragma once

#include "serial/commsettings.h"
#include "serial/portresolver.h"
#include "serial/serialcontrol.h"

#include <QSerialPort>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>

namespace tarnwell {

// The serial control over QSerialPort. Text goes out as GBK and comes in decoded as GBK
// (through the GB18030 decoder, which flags invalid bytes as U+FFFD); the decoder keeps its
// state between reads, so a character split across two reads arrives whole. When the device
// goes away while open the port is closed at once and portLost() is emitted once.
class PortSerialControl : public SerialControl {
    Q_OBJECT
public:
    explicit PortSerialControl(QObject *parent = nullptr);
    ~PortSerialControl() override;

    void setResolver(const PortResolver &resolver) { m_resolver = resolver; }
    const PortResolver &resolver() const { return m_resolver; }

    void setCommPort(int port) override;
    int commPort() const override { return m_commPort; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    void setHandshaking(int mode) override;
    int handshaking() const override { return m_handshaking; }

    bool portOpen() const override { return m_port.isOpen(); }
    void setPortOpen(bool open) override;
    void writeText(const QString &text) override;
    void writeBytes(const QByteArray &bytes) override;
    QString input() override;
    QByteArray inputBytes() override;
    void sendBreak(int ms = kBreakMs) override;
    // True while a break is on the line.
    bool breakActive() const { return m_breakTimer.isActive(); }

    // Folders searched for other programs' lock files (LCK..name); tests point it elsewhere.
    static QStringList defaultLockDirectories();
    void setLockDirectories(const QStringList &dirs) { m_lockDirs = dirs; }

    // The device the open port uses (empty while closed).
    QString deviceName() const { return m_port.isOpen() ? m_device : QString(); }

private:
    void open();
    void close();
    void applyExtraFlowControl();
    void applyLine(const QString &settings);
    void endBreak();
    void onError(QSerialPort::SerialPortError error);
    QString openFailure(const QString &device) const;
    int probeExclusive(const QString &device) const;
    QString portLabel(const QString &device) const;
    QString presentPorts() const;
    QString noDeviceAdvice() const;

    QSerialPort m_port;
    PortResolver m_resolver;
    QString m_device; // path of the device last opened
    QStringList m_lockDirs = defaultLockDirectories();
    // What the status label shows before the first apply, so a start-up that ends early still
    // opens what the label says.
    int m_commPort = defaultCommSettings().PortNum;
    QString m_settings = lineSettingsText(defaultCommSettings());
    int m_handshaking = defaultCommSettings().HandShake;
    QStringDecoder m_decoder{"GB18030"};
    QStringEncoder m_encoder{"GBK"};
    QTimer m_breakTimer;
};

} // namespace tarnwell
