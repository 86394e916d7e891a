#pragma once

#include "grammar.h"
#include "switchconfig.h"

namespace tarnwell::sim {

// Carries out a parsed port-view configuration command on port `number`. False when `parsed`
// is not such a command (views, dialogues and displays are the session's business).
bool applyPortCommand(SwitchConfig &config, int number, const Parsed &parsed);

} // namespace tarnwell::sim
