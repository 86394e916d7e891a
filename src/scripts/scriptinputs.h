#pragma once

#include "switch/switchmodel.h"

#include <QString>

namespace tarnwell {

// The text boxes of the binding frame the scripts read.
enum class ScriptBox {
    ManageIP,      // Txt_ManageIP
    UserName,      // Txt_User_Name
    UserPassword,  // Txt_User_PSD
    SuperName,     // Txt_Super_Name
    SuperPassword, // Txt_Super_PSD
    PortNum,       // Txt_PortNum
    Vlan,          // Txt_Vlan
    Mac,           // Txt_Mac
    IP,            // Txt_IP
};
inline constexpr int kScriptBoxCount = 9;

// What the scripts read from the window. Every call is made at the moment the value
// is needed, so a box changed during a pause is seen by the next line.
class ScriptInputs {
public:
    virtual ~ScriptInputs() = default;
    // The current text of a box, exactly as typed.
    virtual QString text(ScriptBox box) const = 0;
    // The window's SwitchModel.
    virtual SwitchModel switchModel() const = 0;
};

} // namespace tarnwell
