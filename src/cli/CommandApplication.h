#pragma once

#include <QCoreApplication>

#include <optional>

namespace elvaro::cli {

// The Qt application object that a command running an event loop needs. None is made when one
// exists already, as when a test runs a command in its own process.
class CommandApplication {
public:
    CommandApplication()
    {
        if (QCoreApplication::instance() == nullptr)
            m_application.emplace(s_argc, s_argv);
    }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "elvaro-q3";
    static inline char *s_argv[] = {s_name, nullptr};
    std::optional<QCoreApplication> m_application;
};

} // namespace elvaro::cli
