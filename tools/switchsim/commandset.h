#pragma once

#include "grammar.h"
#include "switchprofile.h"

namespace tarnwell::sim {

// The command words of a switch of the given class and port count, with their help texts and
// command levels (0 visit, 1 monitor, 2 system, 3 manage).
Grammar buildCommandSet(Model model, int ports);

} // namespace tarnwell::sim
