#pragma once

#include "backup/configbackups.h"
#include "batch/batchbinding.h"
#include "engine/operationengine.h"
#include "report/bindinfocapture.h"
#include "scripts/commandscripts.h"
#include "scripts/pastesender.h"
#include "serial/serialcontrol.h"
#include "session/bootmenuassistant.h"
#include "session/sessionrecording.h"
#include "switch/switchmodelholder.h"
#include "terminal/terminal.h"
#include "transfer/filesender.h"

#include <QObject>
#include <QStringDecoder>

#include <memory>

namespace tarnwell {

class ScriptInputs;

// One console session: the serial port, the terminal it fills, the session log and the watch
// that reopens a lost port, the operation engine with the scripts, the listing capture and the
// paced paste, the batch of bindings, the model of the switch at the other end and the backups of
// its listings. The window makes one, shows it
// and forwards clicks; tests and benchmarks drive one without a window.
//
// What the port receives goes into the terminal, which hands it on to the scripts, the boot
// menu assistant and the log; while a file is sent, the bytes go to the sender instead, and only
// the text it hands back (the switch's words before and after the transfer) to the terminal.
// A lost port ends a running script or paste quietly (the loss is reported once, by whoever
// shows the session); a running capture reports what came.
class ConsoleSession : public QObject {
    Q_OBJECT
public:
    // serial: the serial control to use (tests pass a fake); nullptr makes the real one.
    // inputs: the script boxes; view: where the capture shows its report.
    ConsoleSession(std::unique_ptr<SerialControl> serial, ScriptInputs &inputs, BindInfoView &view,
                   QObject *parent = nullptr);
    ~ConsoleSession() override;

    SerialControl &serial() { return *m_serial; }
    Terminal &terminal() { return m_terminal; }
    OperationEngine &engine() { return m_engine; }
    SessionRecording &recording() { return *m_recording; }
    CommandScripts &scripts() { return *m_scripts; }
    BindInfoCapture &capture() { return *m_capture; }
    PasteSender &paste() { return *m_paste; }
    BatchBinding &batch() { return *m_batch; }
    // Where every whole listing captured is kept (the click's and a batch's).
    const ConfigBackups &backups() const { return m_backups; }
    FileSender &fileSender() { return *m_fileSender; }
    BootMenuAssistant &bootAssistant() { return *m_bootAssistant; }

    // The switch model the scripts and the report work for; set by the model buttons and by the
    // capture's parser, and nowhere else.
    SwitchModel switchModel() const { return m_model.value(); }
    void setSwitchModel(SwitchModel model) { m_model.set(model); }
    SwitchModelHolder &switchModelHolder() { return m_model; }

    // True while the capture runs: nothing typed may reach the switch in its listing.
    bool capturing() const { return m_engine.running() == QString::fromUtf8(BindInfoCapture::kOperationName); }

signals:
    void switchModelChanged(SwitchModel model);

private:
    void receive();

    std::unique_ptr<SerialControl> m_serial;
    Terminal m_terminal;
    OperationEngine m_engine;
    SwitchModelHolder m_model;
    std::unique_ptr<SessionRecording> m_recording;
    std::unique_ptr<CommandScripts> m_scripts;
    std::unique_ptr<BindInfoCapture> m_capture;
    std::unique_ptr<PasteSender> m_paste;
    std::unique_ptr<BatchBinding> m_batch;
    ConfigBackups m_backups;
    std::unique_ptr<FileSender> m_fileSender;
    std::unique_ptr<BootMenuAssistant> m_bootAssistant;
    QStringDecoder m_transferText{"GB18030"}; // the text a transfer hands back
};

} // namespace tarnwell
