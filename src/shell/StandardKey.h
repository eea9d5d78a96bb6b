#pragma once

#include <QKeySequence>

class QAbstractButton;
class QString;

namespace elvaro::shell {

// Gives the button the platform's key for its command, where the platform has one, and tells the
// command and the key in the button's tooltip ("Print the report (Ctrl+P)").
void giveStandardKey(QAbstractButton &button, QKeySequence::StandardKey key, const QString &command);

} // namespace elvaro::shell
