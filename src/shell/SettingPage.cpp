#include "shell/SettingPage.h"

#include "shell/ControlLayout.h"
#include "shell/Fonts.h"
#include "shell/MessageBoxes.h"
#include "shell/PortListDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

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
// What a window manager puts beside the title, in pixels: the window's icon and up to four
// buttons, with their margins.
constexpr int kTitleBarRoom = 150;
// The space between the window's edge and the lines of text below the buttons, in pixels.
constexpr int kMargin = 8;

const serial::PortTable::Offer *findOffer(const QList<serial::PortTable::Offer> &offers, int port)
{
    const auto found = std::find_if(offers.begin(), offers.end(),
                                    [port](const serial::PortTable::Offer &offer) { return offer.port == port; });
    return found == offers.end() ? nullptr : &*found;
}

} // namespace

SettingPage::SettingPage(const serial::PortTable &ports, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_ports(ports), m_messages(messages)
{
    setObjectName(QStringLiteral("SettingPage"));
    setWindowTitle(QStringLiteral("SETTING PAGE"));
    createControls();
    kLayout.place(*this);
    fitWidthToTitle();

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

    LblReason = new QLabel(this);
    LblReason->setObjectName(QStringLiteral("LblReason"));
    LblReason->setFont(sansSerifFont(8, false));
    LblReason->setWordWrap(true);
    LblReason->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LblReason->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Combo->setItemDelegate(new PortListDelegate(Combo));

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

void SettingPage::fitWidthToTitle()
{
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    m_designedSize = kLayout.size();
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarRoom;
    m_width = std::max(m_designedSize.width(), wanted);
    const int shift = (m_width - m_designedSize.width()) / 2;
    for (QWidget *control : {static_cast<QWidget *>(LblCom), static_cast<QWidget *>(Combo),
                             static_cast<QWidget *>(OKButton), static_cast<QWidget *>(CancelButton)})
        control->move(control->x() + shift, control->y());
    const int lineWidth = m_width - 2 * kMargin;
    LblDevice->setGeometry(kMargin, LblDevice->y(), lineWidth, LblDevice->height());
    LblReason->setGeometry(kMargin, LblDevice->geometry().bottom() + 1, lineWidth, 0);
    LblReason->hide();
    setFixedSize(m_width, m_designedSize.height());
}

void SettingPage::fitHeightToReasons()
{
    LblReason->setText(othersRefused());
    int height = LblReason->text().isEmpty() ? 0 : LblReason->heightForWidth(LblReason->width());
    for (const serial::PortTable::Offer &offer : std::as_const(m_offers)) {
        if (!offer.probe.openable) {
            LblReason->setText(offer.probe.message(m_ports.device(offer.port).value_or(QString())));
            height = std::max(height, LblReason->heightForWidth(LblReason->width()));
        }
    }
    LblReason->clear();
    LblReason->resize(LblReason->width(), height);
    LblReason->setVisible(height > 0);
    setFixedSize(m_width, m_designedSize.height() + (height > 0 ? height + kMargin : 0));
}

void SettingPage::Form_Load()
{
    CercaPorte();
    OK = false;
}

void SettingPage::CercaPorte()
{
    Combo->clear();
    m_offers = m_ports.offers();
    int firstOpenable = -1;
    for (const serial::PortTable::Offer &offer : std::as_const(m_offers)) {
        const int index = Combo->count();
        QString shown = QStringLiteral("%1  %2").arg(offer.port).arg(m_ports.describe(offer.port));
        Combo->addItem(QString::number(offer.port));
        Combo->setItemData(index, sansSerifFont(11, offer.probe.openable), Qt::FontRole);
        if (!offer.probe.openable) {
            shown += QStringLiteral(": ") + offer.probe.summary();
            Combo->setItemData(index, palette().color(QPalette::Disabled, QPalette::Text), Qt::ForegroundRole);
            Combo->setItemData(index, offer.probe.message(m_ports.device(offer.port).value_or(QString())),
                               Qt::ToolTipRole);
        } else if (firstOpenable < 0) {
            firstOpenable = index;
        }
        Combo->setItemData(index, shown, PortListDelegate::kShownTextRole);
    }
    QAbstractItemView *list = Combo->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * kMargin);
    fitHeightToReasons();
    if (Combo->count() > 0) {
        Combo->setCurrentIndex(std::max(firstOpenable, 0));
    } else {
        Combo->setEditText(QString());
        // Nothing to choose from: the number is typed.
        Combo->setFocus();
    }
    showDevice(Combo->currentText());
}

QString SettingPage::othersRefused() const
{
    QStringList refused;
    for (const serial::PortTable::Offer &offer : m_offers) {
        if (!offer.probe.openable)
            refused.append(
                QStringLiteral("%1 %2 (%3)").arg(offer.port).arg(m_ports.describe(offer.port), offer.probe.summary()));
    }
    if (refused.isEmpty())
        return QString();
    return QStringLiteral("Also found, but cannot be opened: %1. Choose one to see why.")
        .arg(refused.join(QStringLiteral(", ")));
}

void SettingPage::showDevice(const QString &text)
{
    bool isNumber = false;
    const int port = text.trimmed().toInt(&isNumber);
    const QString device = isNumber ? m_ports.describe(port) : QString();
    const serial::PortTable::Offer *offer = isNumber ? findOffer(m_offers, port) : nullptr;
    const bool refused = offer != nullptr && !offer->probe.openable;
    LblReason->setText(refused ? offer->probe.message(m_ports.device(port).value_or(QString())) : othersRefused());
    if (!device.isEmpty()) {
        const QString line =
            refused ? QStringLiteral("%1: cannot be opened, %2").arg(device, offer->probe.summary()) : device;
        LblDevice->setToolTip(line);
        LblDevice->setText(LblDevice->fontMetrics().elidedText(line, Qt::ElideRight, LblDevice->width()));
    } else {
        LblDevice->setToolTip(QString());
        LblDevice->setText(Combo->count() == 0 ? QStringLiteral("No serial port found") : QString());
    }
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

void SettingPage::refuse(const QString &message)
{
    m_messages.tell(message, kAppTitle, MessageBoxes::Icon::Warning);
    Combo->setFocus();
    Combo->lineEdit()->selectAll();
}

void SettingPage::OKButton_Click()
{
    const QString text = Combo->currentText().trimmed();
    bool isNumber = false;
    const int port = text.toInt(&isNumber);
    if (!isNumber || port < serial::PortTable::kFirstPort || port > serial::PortTable::kLastPort) {
        refuse(notAPortNumber(text));
        return;
    }
    const std::optional<QString> device = m_ports.device(port);
    if (!device) {
        refuse(QStringLiteral("Port %1 names no serial device on this computer. Choose a port from "
                              "the list, or connect the instrument and start the program again.")
                   .arg(port));
        return;
    }
    // Looked at again: a port that another program held may be free by now.
    const serial::PortProbe probe = serial::PortProbe::of(*device);
    if (!probe.openable) {
        refuse(probe.message(*device));
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
