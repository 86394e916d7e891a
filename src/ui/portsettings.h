#pragma once

#include "serial/commsettings.h"

#include <QString>

class QComboBox;
class QLabel;

namespace tarnwell {

class SerialControl;

// The six port-setting lists, the status label and the record of the last applied settings.
// Picks are pushed into the serial control while the port is closed; the lists but the speed
// are disabled (and applyEnabled false) while it is open. The speed list also takes a rate typed
// in, and a new speed on an open port is applied at once without closing it.
class PortSettings {
public:
    struct Controls {
        QComboBox *portList = nullptr; // port COM1..COM16, item data 1..16
        QComboBox *speedList = nullptr; // baud rate
        QComboBox *parityList = nullptr; // parity
        QComboBox *dataBitsList = nullptr; // data bits
        QComboBox *stopBitsList = nullptr; // stop bits
        QComboBox *flowList = nullptr; // flow control
        QLabel *settingsLabel = nullptr;
    };

    PortSettings(SerialControl &serial, const Controls &controls);

    // Puts the fixed entries into the lists (none selected) and the initial status text.
    static void populate(const Controls &controls);
    // Connects each list's selection event to applyCommSettings.
    void connectLists();

    // Pushes the selected settings into the serial control and the status label; traps every
    // error with the error dialog.
    void applyCommSettings();
    // Selects the loaded settings (or the defaults when none were loaded or they cannot be
    // selected) and applies them once.
    void fillCommLists();
    void setListsEnabled(bool enabled);

    bool applyEnabled = false;
    tarnwell::commSettings commSettings;
    bool settingsLoaded = false;
    // True once applyCommSettings has run to its end: the record then holds applied values.
    bool applied() const { return m_applied; }

private:
    void applySteps();
    void speedChosen();
    void showSpeed(qint32 baud);
    void showLabel();
    // Selects a record's settings in the lists; false at the first that is not in its list.
    bool select(const tarnwell::commSettings &settings);

    SerialControl &m_serial;
    Controls m_c;
    bool m_applied = false;
    bool m_showingSpeed = false;
};

} // namespace tarnwell
