#pragma once

#include "system/ExitCodes.h"

#include <QtGlobal>

// The window needs a display. Where none can be opened Qt would abort the program; instead the
// user gets one line on standard error that says so and names the commands that work without a
// display, and the exit code 1.
namespace elvaro::shell {

class DisplayGuard {
public:
    static constexpr int kExitNoDisplay = system::kExitFailure;

    // True when the environment names a display (DISPLAY, WAYLAND_DISPLAY) or a Qt platform is
    // chosen (QT_QPA_PLATFORM, or -platform among the arguments). Without either Qt has nothing
    // to open.
    static bool displayNamed(int argc, char **argv);

    // Prints "elvaro-q3: <reason>, so ..." on standard error, one line.
    static void reportNoDisplay(const char *reason);

    // While a guard lives, Qt's fatal failure to open its platform (the display) prints that line
    // and ends the program with kExitNoDisplay; other messages go on as before. Meant to live
    // while the application object is constructed.
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard &) = delete;
    DisplayGuard &operator=(const DisplayGuard &) = delete;

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);

    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace elvaro::shell
