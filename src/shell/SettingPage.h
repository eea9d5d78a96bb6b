#pragma once

#include "serial/PortTable.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The port window: lists the port numbers 1 to 16 whose device can be opened, and hands the
// user's choice to start-up through OK and COM.
namespace elvaro::shell {

class MessageBoxes;

class SettingPage : public QDialog {
    Q_OBJECT

public:
    SettingPage(const serial::PortTable &ports, MessageBoxes &messages, QWidget *parent = nullptr);

    // True only when the user left the window with OK.
    bool OK = false;
    // The chosen port number; set only by OK.
    qint16 COM = 0;

    void Form_Load();
    void CercaPorte();
    void OKButton_Click();
    void CancelButton_Click();

    void reject() override;

private:
    void createControls();
    // Shows which device the number in the field stands for.
    void showDevice(const QString &text);
    // What OK says about a field that holds no number from 1 to 16.
    QString notAPortNumber(const QString &text) const;

    const serial::PortTable &m_ports;
    MessageBoxes &m_messages;

    QLabel *LblCom = nullptr;
    QComboBox *Combo = nullptr;
    QLabel *LblDevice = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};

} // namespace elvaro::shell
