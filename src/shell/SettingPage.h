#pragma once

#include "serial/PortTable.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The port window: lists the port numbers 1 to 16 whose device can be opened, and those whose
// device is there but cannot be opened with the reason, and hands the user's choice to start-up
// through OK and COM.
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
    // Wide enough for the title beside the window manager's buttons, the controls kept centred.
    void fitWidthToTitle();
    // Makes room below the controls for the longest reason why a listed port cannot be opened.
    void fitHeightToReasons();
    // Shows which device the number in the field stands for and, when it cannot be opened, why.
    void showDevice(const QString &text);
    // The listed ports that cannot be opened, in one sentence; empty when there are none.
    QString othersRefused() const;
    // What OK says about a field that holds no number from 1 to 16.
    QString notAPortNumber(const QString &text) const;
    // Shows a refusal of OK and gives the field the keyboard focus for a new number.
    void refuse(const QString &message);

    const serial::PortTable &m_ports;
    MessageBoxes &m_messages;
    QList<serial::PortTable::Offer> m_offers;
    // The designed client area, and the width the title asks for.
    QSize m_designedSize;
    int m_width = 0;

    QLabel *LblCom = nullptr;
    QComboBox *Combo = nullptr;
    QLabel *LblDevice = nullptr;
    QLabel *LblReason = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};

} // namespace elvaro::shell
