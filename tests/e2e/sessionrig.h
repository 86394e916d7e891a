#pragma once

// One console session without a window against the simulated switch: the script boxes and the
// report view as plain values, COM3 linked to the simulator inside a throw-away home.

#include "serial/portserialcontrol.h"
#include "session/consolesession.h"
#include "simbench.h"

#include <QTest>

#include <map>
#include <memory>

namespace tarnwell::test {

struct RigBoxes : ScriptInputs {
    QString text(ScriptBox box) const override
    {
        const auto it = values.find(box);
        return it == values.end() ? QString() : it->second;
    }
    SwitchModel switchModel() const override { return model ? model() : SwitchModel::S3100; }
    std::map<ScriptBox, QString> values;
    std::function<SwitchModel()> model;
};

struct RigView : BindInfoView {
    void setInputLine(const QString &text) override { inputLine = text; }
    void clearReport() override { report.clear(); }
    void setReport(const QString &text) override { report = text; }
    void selectModelButton(ModelButton) override {}
    QString inputLine, report;
};

struct SessionRig {
    SimulatedSwitch sim;
    ConfigHome home;
    MessageRecorder messages; // a lost port's notice, an error dialog
    RigBoxes boxes;
    RigView view;
    std::unique_ptr<ConsoleSession> session;

    // Starts the simulator, opens COM3 on it and waits for the switch's prompt after an Enter.
    bool start(const QStringList &simArguments, const QString &prompt, QString &error)
    {
        if (!sim.start(simArguments, error))
            return false;
        home.linkPort(3, sim.terminalPath());
        session = std::make_unique<ConsoleSession>(nullptr, boxes, view);
        boxes.model = [this] { return session->switchModel(); };
        home.confine(*qobject_cast<PortSerialControl *>(&session->serial()));
        session->serial().setCommPort(3);
        session->serial().setPortOpen(true);
        if (!session->serial().portOpen()) {
            error = QStringLiteral("the port did not open");
            return false;
        }
        session->serial().output(QStringLiteral("\r"));
        if (!QTest::qWaitFor([&] { return session->terminal().text().contains(prompt); }, kPromptTimeoutMs)) {
            error = QStringLiteral("no prompt: ") + session->terminal().text().right(200);
            return false;
        }
        return true;
    }
};

} // namespace tarnwell::test
