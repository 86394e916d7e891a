#pragma once

#include <QString>

namespace tarnwell {

// The help window's text: 21 paragraphs separated by an empty line, every line break a
// carriage return followed by a line feed (paragraph 10 holds one line break of its own).
QString helpText();

} // namespace tarnwell
