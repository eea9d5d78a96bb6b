#include "shell/StandardKey.h"

#include <QAbstractButton>
#include <QString>

namespace elvaro::shell {

void giveStandardKey(QAbstractButton &button, QKeySequence::StandardKey key, const QString &command)
{
    const QKeySequence sequence(key);
    button.setShortcut(sequence);
    if (sequence.isEmpty())
        button.setToolTip(command);
    else
        button.setToolTip(QStringLiteral("%1 (%2)").arg(command, sequence.toString(QKeySequence::NativeText)));
}

} // namespace elvaro::shell
