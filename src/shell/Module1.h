#pragma once

#include "serial/PortTable.h"

#include <memory>

// Start-up: the port choice, then the main window.
namespace elvaro::shell {

class CommonDialog;
class MainForm;
class MessageBoxes;

class Module1 {
public:
    enum class Started { MainWindowShown, Quit, Failed };

    Module1(serial::PortTable ports, MessageBoxes &messages, CommonDialog &printDialog);
    virtual ~Module1();

    Module1(const Module1 &) = delete;
    Module1 &operator=(const Module1 &) = delete;

    // Shows the port window modally; on OK creates, loads and shows the main window with the
    // chosen port. A failure after the port choice shows "Error on loading main form!".
    Started Main();

    // The one main window, alive for the rest of the run once Main has shown it.
    MainForm *mainForm() const { return m_mainForm.get(); }

protected:
    virtual std::unique_ptr<MainForm> createMainForm();

private:
    serial::PortTable m_ports;
    MessageBoxes &m_messages;
    CommonDialog &m_printDialog;
    std::unique_ptr<MainForm> m_mainForm;
};

} // namespace elvaro::shell
