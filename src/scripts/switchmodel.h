#pragma once

#include <QString>

#include <functional>

namespace tarnwell {

// Values SwitchModel takes: the two the option buttons set, and the two the configuration
// parser can recognise besides them. Compared exactly.
inline QString model3100() { return QStringLiteral("3100"); }
inline QString model3600() { return QStringLiteral("3600"); }
inline QString model5500() { return QStringLiteral("5500"); }
inline QString model9512() { return QStringLiteral("9512"); }

// The window's SwitchModel at start-up.
inline QString initialSwitchModel() { return model3100(); }

// Click on Opt_Sw3100 / Opt_Sw3600: sets the model, nothing else.
void optSw3100Click(QString &switchModel);
void optSw3600Click(QString &switchModel);

// Click on Option2 (Trunk): refuses with a message box, then calls selectOption1 so that
// Option1 (Access) is selected again. Connect it to the button's clicked signal.
void option2Click(const std::function<void()> &selectOption1);

} // namespace tarnwell
