#pragma once

#include "system/ProgramTitle.h"

#include <QString>

// The message boxes of the program. The desktop shows them with QMessageBox; tests answer them
// from a script. A box given no title carries the application's title.
namespace elvaro::shell {

inline const QString kAppTitle = QString::fromUtf8(system::kProgramTitle);
inline const QString kDebugTitle = QStringLiteral("DEBUG");

class MessageBoxes {
public:
    enum class Icon { None, Critical, Warning, Information };

    virtual ~MessageBoxes() = default;

    // A Yes/No box without icon, Yes being the default button. True only for Yes.
    virtual bool askYesNo(const QString &text, const QString &title = kAppTitle) = 0;

    // A box with only an OK button.
    virtual void tell(const QString &text, const QString &title = kAppTitle, Icon icon = Icon::None) = 0;
};

} // namespace elvaro::shell
