#include "shell/frmAbout.h"

#include "shell/ControlLayout.h"
#include "shell/Fonts.h"
#include "shell/MessageBoxes.h"
#include "shell/Resources.h"
#include "system/Version.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace elvaro::shell {

const QString frmAbout::kCompany = QStringLiteral("Elvaro Instruments");
const QString frmAbout::kWebAddress = QStringLiteral("www.elvaro.example");
const QStringList frmAbout::kLicensePieces = {
    QStringLiteral("This program is free of charge and may be used for any purpose. "),
    QStringLiteral("You may copy it and give it to others, provided it is passed on unchanged and free of charge. "),
    QStringLiteral("It is provided as it is, without warranty of any kind. "),
    QStringLiteral("The maker is not liable for any damage or loss of data arising from its use."),
};

namespace {

constexpr ControlPlace kControls[] = {
    {"Image1", 120, 120, 2895, 1530}, {"lblTitle", 3120, 120, 4005, 480},    {"lblDescription", 3120, 720, 4005, 1050},
    {"Label1", 120, 2040, 7005, 345}, {"lblLicense", 120, 2400, 7005, 1305}, {"cmdOK", 2955, 3840, 1335, 375},
};
constexpr WindowLayout kLayout{7245, 4275, kControls};

QLabel *centredLabel(QWidget *parent, const char *name, qreal pointSize)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(arialFont(pointSize, true));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    initResources();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kAppTitle);
    setFixedSize(kLayout.size());
    createControls();
    kLayout.place(*this);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
}

void frmAbout::createControls()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/elvaro/instrument.png")));
    Image1->setScaledContents(true);

    lblTitle = centredLabel(this, "lblTitle", 18);
    lblTitle->setText(kAppTitle);

    lblDescription = centredLabel(this, "lblDescription", 12);

    Label1 = centredLabel(this, "Label1", 11.25);
    Label1->setText(QStringLiteral("Software Freeware, version ") + QString::fromUtf8(system::kVersion));

    lblLicense = centredLabel(this, "lblLicense", 9.75);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setFont(arialFont(9, true));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
}

void frmAbout::Form_Load()
{
    // Line feed then carriage return between the lines; the label shows each pair as one break.
    const QString lineBreak = QStringLiteral("\n\r");
    lblDescription->setText(kCompany + lineBreak + QStringLiteral("Hardware and Software") + lineBreak + kWebAddress);
    lblLicense->setText(kLicensePieces.join(QString()));
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::reject()
{
    // Esc closes (unloads) the box rather than only hiding it.
    close();
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    event->accept();
}

} // namespace elvaro::shell
