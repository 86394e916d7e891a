#pragma once

#include "serial/commsettings.h"

#include <QString>

class QComboBox;
class QLabel;

namespace tarnwell {

class SerialControl;

// The six port-setting lists, the status label and the record of the last applied settings.
// Picks are pushed into the serial control while the port is closed; the lists are disabled
// (and ApplyEnabled false) while it is open.
class PortSettings {
public:
    struct Controls {
        QComboBox *Combo2 = nullptr; // port COM1..COM16, item data 1..16
        QComboBox *Combo3 = nullptr; // baud rate
        QComboBox *Combo4 = nullptr; // parity
        QComboBox *Combo5 = nullptr; // data bits
        QComboBox *Combo6 = nullptr; // stop bits
        QComboBox *Combo7 = nullptr; // flow control
        QLabel *Lbl_ComSettings = nullptr;
    };

    PortSettings(SerialControl &serial, const Controls &controls);

    // Puts the fixed entries into the lists (none selected) and the initial status text.
    static void populate(const Controls &controls);
    // Connects each list's selection event to ApplyCommSettings.
    void connectLists();

    // Pushes the selected settings into the serial control and the status label; traps every
    // error with the error dialog.
    void ApplyCommSettings();
    // Selects the loaded settings (or the defaults when none were loaded or they cannot be
    // selected) and applies them once.
    void FillCommLists();
    void setListsEnabled(bool enabled);

    bool ApplyEnabled = false;
    tarnwell::CommSettings CommSettings;
    bool SettingsLoaded = false;
    // True once ApplyCommSettings has run to its end: the record then holds applied values.
    bool applied() const { return m_applied; }

private:
    void applySteps();
    // Selects a record's settings in the lists; false at the first that is not in its list.
    bool select(const tarnwell::CommSettings &settings);

    SerialControl &m_serial;
    Controls m_c;
    bool m_applied = false;
};

} // namespace tarnwell
