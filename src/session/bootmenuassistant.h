#pragma once

#include <QObject>
#include <QString>

namespace tarnwell {

class SerialControl;

// Helps into the switch's boot menu and through its download. Armed, it sends Ctrl+B the moment
// the switch prints "Press Ctrl-B to enter Boot Menu" (the countdown leaves a few seconds, in
// fast start-up one), then disarms, so that the switch's next start after the download boots
// normally. Armed or not, when the switch asks for the terminal's baud rate to change before or
// after a download it says so (speedRequested), and acceptSpeed() changes the line and sends
// the Enter the switch waits for.
class BootMenuAssistant : public QObject {
    Q_OBJECT
public:
    static constexpr char kBootPrompt[] = "Press Ctrl-B to enter Boot Menu";

    explicit BootMenuAssistant(SerialControl &serial, QObject *parent = nullptr);

    void setArmed(bool armed);
    bool armed() const { return m_armed; }
    // Received text, as the terminal hands it on.
    void received(const QString &text);
    // Puts the line at baud without closing it and sends Enter; throws as the port does.
    void acceptSpeed(qint32 baud);

signals:
    void armedChanged(bool armed);
    // Ctrl+B went out for the prompt.
    void bootMenuRequested();
    // The switch waits for the terminal to change to baud and press Enter.
    void speedRequested(qint32 baud);

private:
    SerialControl &m_serial;
    bool m_armed = false;
    QString m_tail; // the end of what came before, for a prompt split across reads
};

} // namespace tarnwell
