#pragma once

#include <QString>

namespace tarnwell {

// The text as the switch can take it in GBK: a blank that GBK lacks (the no-break space of a web
// page, the thin and em spaces…) becomes an ordinary blank; any other character GBK lacks throws
// Error naming it, since the encoder would send it as '?', the switch's help key.
QString sendableText(const QString &text);
// The same check for a password: what it throws names no character of it.
QString sendableSecret(const QString &secret);

} // namespace tarnwell
