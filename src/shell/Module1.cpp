#include "shell/Module1.h"

#include "shell/MainForm.h"
#include "shell/MessageBoxes.h"
#include "shell/SettingPage.h"

#include <exception>

namespace elvaro::shell {

Module1::Module1(serial::PortTable ports, MessageBoxes &messages, CommonDialog &printDialog)
    : m_ports(std::move(ports)), m_messages(messages), m_printDialog(printDialog)
{}

Module1::~Module1() = default;

std::unique_ptr<MainForm> Module1::createMainForm()
{
    return std::make_unique<MainForm>(m_ports, m_messages, m_printDialog);
}

Module1::Started Module1::Main()
{
    auto settingPage = std::make_unique<SettingPage>(m_ports, m_messages);
    settingPage->Form_Load();
    settingPage->exec();
    if (!settingPage->OK)
        return Started::Quit;

    try {
        m_mainForm = createMainForm();
        m_mainForm->Form_Load();
        m_mainForm->setCom(QString::number(settingPage->COM));
        m_mainForm->show();
        settingPage.reset();
    } catch (...) {
        m_mainForm.reset();
        m_messages.tell(QStringLiteral("Error on loading main form!"), kDebugTitle, MessageBoxes::Icon::Critical);
        return Started::Failed;
    }
    return Started::MainWindowShown;
}

} // namespace elvaro::shell
