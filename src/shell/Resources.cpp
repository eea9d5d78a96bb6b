#include "shell/Resources.h"

#include <QtCore/qglobal.h>

#include <mutex>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void registerShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace elvaro::shell {

void initResources()
{
    static std::once_flag once;
    std::call_once(once, registerShellResources);
}

} // namespace elvaro::shell
