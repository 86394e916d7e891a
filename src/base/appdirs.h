#pragma once

#include <QString>

namespace tarnwell {

// The program's folders by the XDG base-directory rules: $XDG_CONFIG_HOME/tarnwell (by default
// ~/.config/tarnwell) for the settings and port links, $XDG_STATE_HOME/tarnwell (by default
// ~/.local/state/tarnwell) for the session logs, $XDG_DATA_HOME/tarnwell (by default
// ~/.local/share/tarnwell) for the configuration backups. A variable that is unset, empty or not an
// absolute path is passed over, as the rules say. Not created here.
QString appConfigDir();
QString appStateDir();
// $XDG_DATA_HOME/tarnwell, by default ~/.local/share/tarnwell.
QString appDataDir();

// Where the session logs go: $XDG_STATE_HOME/tarnwell/logs, by default
// ~/.local/state/tarnwell/logs. Not created here.
QString sessionLogDirectory();
// Where the configuration backups go: $XDG_DATA_HOME/tarnwell/configs, by default
// ~/.local/share/tarnwell/configs. Not created here.
QString configBackupDirectory();

} // namespace tarnwell
