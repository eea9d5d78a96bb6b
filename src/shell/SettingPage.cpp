#include "shell/SettingPage.h"

#include "shell/ControlLayout.h"
#include "shell/Fonts.h"
#include "shell/MessageBoxes.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace elvaro::shell {

namespace {

constexpr ControlPlace kControls[] = {
    // Wide enough for the caption in the platform's font, up to two pixels before the list.
    {"LblCom", 360, 330, 1050, 375},        {"Combo", 1440, 240, 855, ControlPlace::kOwnHeight},
    {"LblDevice", 120, 1440, 2520, 255},    {"OKButton", 120, 960, 1215, 375},
    {"CancelButton", 1440, 960, 1215, 375},
};
// A little taller than the classic layout so that the device line fits below the buttons.
constexpr WindowLayout kLayout{2760, 1755, kControls};

} // namespace

SettingPage::SettingPage(const serial::PortTable &ports, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_ports(ports), m_messages(messages)
{
    setObjectName(QStringLiteral("SettingPage"));
    setWindowTitle(QStringLiteral("SETTING PAGE"));
    setFixedSize(kLayout.size());
    createControls();
    kLayout.place(*this);

    connect(OKButton, &QPushButton::clicked, this, &SettingPage::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &SettingPage::CancelButton_Click);
    connect(Combo, &QComboBox::currentTextChanged, this, &SettingPage::showDevice);
}

void SettingPage::createControls()
{
    const QFont large = sansSerifFont(18, true);
    const QFont small = sansSerifFont(8.25, true);

    LblCom = new QLabel(QStringLiteral("COM"), this);
    LblCom->setObjectName(QStringLiteral("LblCom"));
    LblCom->setFont(large);

    Combo = new QComboBox(this);
    Combo->setObjectName(QStringLiteral("Combo"));
    Combo->setFont(large);
    Combo->setEditable(true);
    Combo->setInsertPolicy(QComboBox::NoInsert);
    Combo->setEditText(QStringLiteral("1"));

    LblDevice = new QLabel(this);
    LblDevice->setObjectName(QStringLiteral("LblDevice"));
    LblDevice->setFont(sansSerifFont(8, false));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setFont(small);
    // Enter in the field presses OK; a focused button is pressed by Enter.
    OKButton->setAutoDefault(true);
    OKButton->setDefault(true);

    CancelButton = new QPushButton(QStringLiteral("Quit"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setFont(small);
    CancelButton->setAutoDefault(true);

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Combo);
    OKButton->setFocus();
}

void SettingPage::Form_Load()
{
    CercaPorte();
    OK = false;
}

void SettingPage::CercaPorte()
{
    Combo->clear();
    for (const int port : m_ports.openablePorts())
        Combo->addItem(QString::number(port));
    if (Combo->count() > 0)
        Combo->setCurrentIndex(0);
    else
        Combo->setEditText(QString());
    showDevice(Combo->currentText());
}

void SettingPage::showDevice(const QString &text)
{
    bool isNumber = false;
    const int port = text.trimmed().toInt(&isNumber);
    const QString device = isNumber ? m_ports.describe(port) : QString();
    LblDevice->setToolTip(device);
    if (!device.isEmpty())
        LblDevice->setText(LblDevice->fontMetrics().elidedText(device, Qt::ElideRight, LblDevice->width()));
    else if (Combo->count() == 0)
        LblDevice->setText(QStringLiteral("No serial port found"));
    else
        LblDevice->clear();
}

QString SettingPage::notAPortNumber(const QString &text) const
{
    const QString range =
        QStringLiteral("%1 to %2").arg(serial::PortTable::kFirstPort).arg(serial::PortTable::kLastPort);
    if (Combo->count() > 0) {
        return QStringLiteral("\"%1\" is not a port number. Choose a port from the list or type a number from %2.")
            .arg(text, range);
    }
    if (!text.isEmpty())
        return QStringLiteral("\"%1\" is not a port number. Type a number from %2.").arg(text, range);
    return QStringLiteral("No serial port was found on this computer.\n\n"
                          "Connect the instrument with its serial cable or USB serial adapter, check that the "
                          "adapter is plugged in and that you may use serial ports (on most systems as a member "
                          "of the group dialout), then start the program again.\n\n"
                          "If you know the number of the port, type it (%1) and press OK.")
        .arg(range);
}

void SettingPage::OKButton_Click()
{
    const QString text = Combo->currentText().trimmed();
    bool isNumber = false;
    const int port = text.toInt(&isNumber);
    if (!isNumber || port < serial::PortTable::kFirstPort || port > serial::PortTable::kLastPort) {
        m_messages.tell(notAPortNumber(text), kAppTitle, MessageBoxes::Icon::Warning);
        return;
    }
    if (!m_ports.device(port)) {
        m_messages.tell(QStringLiteral("Port %1 names no serial device on this computer. Choose a port from "
                                       "the list, or connect the instrument and start the program again.")
                            .arg(port),
                        kAppTitle, MessageBoxes::Icon::Warning);
        return;
    }
    COM = static_cast<qint16>(port);
    OK = true;
    QDialog::accept();
}

void SettingPage::CancelButton_Click()
{
    OK = false;
    QDialog::reject();
}

void SettingPage::reject()
{
    // Esc and the title bar's close button mean Quit.
    CancelButton_Click();
}

} // namespace elvaro::shell
