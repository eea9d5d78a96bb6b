#include "shell/DisplayGuard.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace elvaro::shell {

bool DisplayGuard::displayNamed(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "-platform") == 0 || std::strcmp(argv[index], "--platform") == 0)
            return true;
    }
    return false;
}

void DisplayGuard::reportNoDisplay(const char *reason)
{
    std::fprintf(stderr,
                 "elvaro-q3: %s, so the window cannot be shown; the commands tree, convert, capture and simulate "
                 "work without a display (see 'elvaro-q3 --help').\n",
                 reason);
    std::fflush(stderr);
}

DisplayGuard::DisplayGuard()
{
    s_previous = qInstallMessageHandler(&DisplayGuard::handleMessage);
}

DisplayGuard::~DisplayGuard()
{
    qInstallMessageHandler(s_previous);
}

void DisplayGuard::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (s_previous != nullptr)
            s_previous(type, context, message);
        return;
    }
    // Qt's own text (several lines about platform plugins) would end in an abort; Qt's warnings
    // before it already said which display failed and why.
    reportNoDisplay("the display could not be opened");
    std::_Exit(kExitNoDisplay);
}

} // namespace elvaro::shell
