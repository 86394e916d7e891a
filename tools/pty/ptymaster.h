#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tarnwell {

// The master end of a pseudo-terminal, whose slave a program opens as its serial device. The
// slave is put in raw mode and kept open here, so the line discipline never echoes or translates
// and the master sees no hang-up while no program has the slave open. Reading and writing never
// block: what the terminal cannot take yet waits and goes out as it drains.
class PtyMaster : public QObject {
    Q_OBJECT
public:
    explicit PtyMaster(QObject *parent = nullptr);
    ~PtyMaster() override;

    // False with the reason in error when no pseudo-terminal can be had.
    bool open(QString &error);
    // Closes the master end; the slave stays open until destruction.
    void close();
    bool isOpen() const { return m_master >= 0; }

    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    void write(const QByteArray &bytes);
    // Bytes written but not yet taken by the terminal.
    qsizetype pending() const { return m_pending.size(); }
    // Beyond this many pending bytes new output is dropped; unbounded when negative.
    void setMaxPending(qsizetype bytes) { m_maxPending = bytes; }
    // Set once a write failed other than for a full terminal; the pending bytes are then dropped.
    bool writeFailed() const { return m_writeFailed; }

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();
    void flush();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_pending;
    qsizetype m_maxPending = -1;
    bool m_writeFailed = false;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};

} // namespace tarnwell
