#pragma once

#include "console/messagebox.h"
#include "scripts/commandscripts.h"
#include "scripts/scriptinputs.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "virtualclock.h"

#include <QStringList>

#include <functional>
#include <map>

namespace tarnwell::test {

// Runs the script named like its button's action ("login", "bind", "unbind", "save", "reboot").
inline void runScript(CommandScripts &scripts, const QString &name)
{
    if (name == QLatin1String("login"))
        scripts.login();
    else if (name == QLatin1String("bind"))
        scripts.bind();
    else if (name == QLatin1String("unbind"))
        scripts.unbind();
    else if (name == QLatin1String("save"))
        scripts.save();
    else if (name == QLatin1String("reboot"))
        scripts.reboot();
    else
        qFatal("unknown script %s", qPrintable(name));
}

// The window as the scripts see it: boxes, SwitchModel and the input line Text2.
class FakeInputs : public ScriptInputs {
public:
    QString text(ScriptBox box) const override
    {
        auto it = boxes.find(box);
        return it == boxes.end() ? QString() : it->second;
    }
    QString switchModel() const override { return model; }
    void clearInputLine() override
    {
        text2.clear();
        ++inputLineClears;
    }

    // "Name=value" entries, Name one of the ScriptBox names.
    void fill(const QStringList &entries);

    std::map<ScriptBox, QString> boxes;
    QString model = QStringLiteral("3100");
    QString text2 = QStringLiteral("typed before");
    int inputLineClears = 0;
};

// Everything a script did, in order, on one virtual clock: each output() call and each message
// box. Formatted as "text<CR> ~500" (a write and the pause until the next event; no mark when
// the next event follows at once) and "[title] text" (a message box).
class ScriptTrace {
public:
    ScriptTrace();

    VirtualClock clock{0x1000};
    FakeSerialControl serial;
    FakeInputs inputs;
    MessageRecorder boxes;

    QStringList formatted() const;
    // The same entries as "<virtual ms> text<CR>" and "<virtual ms> [title] text", for
    // interleaved scripts where a pause is not the gap to the next entry.
    QStringList timed() const;

    struct Entry {
        qint64 at;
        QString text;
        bool isWrite;
    };
    QList<Entry> entries;

private:
    qsizetype m_seenWrites = 0;
    void collectWrites();
};

} // namespace tarnwell::test
