#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tarnwell::sim {

// The simulator's end of a pseudo-terminal. The slave side, which the program opens as its
// serial device, is put in raw mode and kept open here, so the line discipline never echoes or
// translates and the master does not see a hang-up while no program has it open.
class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    PtyEndpoint();
    ~PtyEndpoint() override;

    bool open(QString &error);
    QString slavePath() const { return m_slavePath; }
    void write(const QByteArray &bytes);

    // Output that nobody reads is dropped beyond this, as a console with no one listening loses it.
    static constexpr qsizetype kMaxPending = 1 << 20;

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();
    void flush();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_pending;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};

} // namespace tarnwell::sim
