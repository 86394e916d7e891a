#pragma once

namespace tarnwell {

// Shows what the program tells the user (messageBox, the error dialog, the notice) in real
// message boxes over the active window from now on.
void useMessageBoxes();

} // namespace tarnwell
