#pragma once

#include "report/bindinfoparser.h"

namespace tarnwell::test {

// The parsing rules written out the slow, literal way: 1-based positions, a fresh search from
// the block start for every keyword of every block, character-by-character comparison. The
// fuzz target compares parseBindInfo with it on every input.
BindInfoResult referenceParseBindInfo(const QString &text, SwitchModel switchModel);

} // namespace tarnwell::test
