#pragma once

#include "shell/MessageBoxes.h"

namespace elvaro::shell {

// Message boxes shown with QMessageBox over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    bool askYesNo(const QString &text, const QString &title = kAppTitle) override;
    void tell(const QString &text, const QString &title = kAppTitle, Icon icon = Icon::None) override;
};

} // namespace elvaro::shell
