#include "shell/MainForm.h"

#include "serial/PortTable.h"
#include "serial/ReceiveLoop.h"
#include "serial/SerialReceiver.h"
#include "shell/Colorful.h"
#include "shell/CommonDialog.h"
#include "shell/ControlLayout.h"
#include "shell/DesktopWorkbookOpener.h"
#include "shell/DownloadCounter.h"
#include "shell/ExportCommand.h"
#include "shell/FileDrop.h"
#include "shell/Fonts.h"
#include "shell/MessageBoxes.h"
#include "shell/ReportContextMenu.h"
#include "shell/ReportFiles.h"
#include "shell/Resources.h"
#include "shell/RichTextBox.h"
#include "shell/RingShape.h"
#include "shell/StandardKey.h"
#include "shell/frmAbout.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

namespace elvaro::shell {

namespace {

constexpr int kRingWidth = 3;

constexpr ControlPlace kControls[] = {
    {"Colorful1", 240, 172, 400, 400},
    {"CmdAcquisisci", 840, 125, 1335, 495},
    // Between DOWNLOAD and PRINT, up to 120 twips before PRINT.
    {"LblBytes", 2295, 125, 4185, 495},
    {"CmdStampa", 6600, 120, 1215, 495},
    {"CmdEsporta", 7920, 120, 1215, 495},
    {"CmdDelete", 9240, 120, 1215, 495},
    {"rtf1", 240, 720, 10215, 7455},
    {"CmdQuit", 240, 8400, 1215, 495},
    {"Image1", 3552, 8400, 1140, 600},
    {"Label1", 4744, 8520, 2295, 375},
    {"CmdInfo", 9720, 8400, 735, 495},
    {"COM", 2640, 8280, 375, 285},
    {"rtf", 3000, 8280, 495, 495},
};
constexpr WindowLayout kLayout{10590, 9075, kControls};

QPushButton *commandButton(QWidget *parent, const char *name, const QString &caption, qreal pointSize)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(sansSerifFont(pointSize, true));
    return button;
}

} // namespace

MainForm::MainForm(const serial::PortTable &ports, MessageBoxes &messages, CommonDialog &printDialog, QWidget *parent)
    : QWidget(parent), m_ports(ports), m_messages(messages), CommonDialog1(printDialog)
{
    initResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("WORK PAGE"));
    setMinimumSize(designedSize());
    resize(minimumSize());
    createControls();
    placeControls();
    anchorControls();
    setTabOrderOfControls();

    connect(CmdAcquisisci, &QPushButton::clicked, this, &MainForm::CmdAcquisisci_Click);
    connect(CmdStampa, &QPushButton::clicked, this, &MainForm::CmdStampa_Click);
    connect(CmdEsporta, &QPushButton::clicked, this, &MainForm::CmdEsporta_Click);
    connect(CmdDelete, &QPushButton::clicked, this, &MainForm::CmdDelete_Click);
    connect(CmdQuit, &QPushButton::clicked, this, &MainForm::CmdQuit_Click);
    connect(CmdInfo, &QPushButton::clicked, this, &MainForm::CmdInfo_Click);
    connect(Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);
    connect(rtf1, &QPlainTextEdit::textChanged, this, &MainForm::rtf1_Change);
    connect(rtf1, &QWidget::customContextMenuRequested, m_contextMenu, &ReportContextMenu::show);
    connect(&m_files->saveAction(), &QAction::triggered, m_files, &ReportFiles::saveAs);
    connect(&m_files->openAction(), &QAction::triggered, m_files, &ReportFiles::openChosen);
    connect(m_files, &ReportFiles::reportOpened, this, &MainForm::applyReportCommandsRule);
    // Opened once the drop has ended, so that the desktop's drag is over before any message shows.
    connect(m_drop, &FileDrop::filesDropped, m_files, &ReportFiles::openFiles, Qt::QueuedConnection);

    // Workbooks exported by earlier runs, long since read by the spreadsheet application.
    m_temporaryWorkbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor);
}

MainForm::~MainForm() = default;

QSize MainForm::designedSize()
{
    return kLayout.size();
}

void MainForm::createControls()
{
    const qreal commandPointSize = 8.25;

    Colorful1 = new Colorful(this);
    Colorful1->setObjectName(QStringLiteral("Colorful1"));
    // Made after the lamp so that it lies above it.
    Shape1 = new RingShape(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setBorderWidth(kRingWidth);

    CmdAcquisisci = commandButton(this, "CmdAcquisisci", QStringLiteral("DOWNLOAD"), commandPointSize);

    // What the running or the last download received.
    LblBytes = new DownloadCounter(this);
    LblBytes->setObjectName(QStringLiteral("LblBytes"));
    LblBytes->setVisible(false);
    CmdStampa = commandButton(this, "CmdStampa", QStringLiteral("PRINT"), commandPointSize);
    giveStandardKey(*CmdStampa, QKeySequence::Print, QStringLiteral("Print the report or the selected part"));
    CmdEsporta = commandButton(this, "CmdEsporta", QStringLiteral("EXPORT"), commandPointSize);
    CmdDelete = commandButton(this, "CmdDelete", QStringLiteral("DELETE"), commandPointSize);

    rtf1 = new RichTextBox(this);
    rtf1->setObjectName(QStringLiteral("rtf1"));
    m_files = new ReportFiles(*rtf1, m_messages, *this);
    // The keys work wherever the focus is in the window.
    addAction(&m_files->saveAction());
    addAction(&m_files->openAction());
    m_contextMenu = new ReportContextMenu(*rtf1, {&m_files->saveAction(), &m_files->openAction()});
    m_drop = new FileDrop(this);
    m_drop->watch(*this);
    m_drop->watch(*rtf1);
    m_drop->watch(*rtf1->viewport());

    CmdQuit = commandButton(this, "CmdQuit", QStringLiteral("QUIT"), commandPointSize);
    giveStandardKey(*CmdQuit, QKeySequence::Quit, QStringLiteral("Quit the program"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/elvaro/instrument.png")));
    Image1->setScaledContents(true);

    Label1 = new QLabel(QStringLiteral("Software Freeware"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arialFont(12, true));
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);

    CmdInfo = commandButton(this, "CmdInfo", QStringLiteral("?"), 9.75);
    giveStandardKey(*CmdInfo, QKeySequence::HelpContents, QStringLiteral("About Elvaro-Q3"));

    COM = new QLineEdit(QStringLiteral("1"), this);
    COM->setObjectName(QStringLiteral("COM"));
    COM->setReadOnly(true);
    COM->setAlignment(Qt::AlignCenter);
    COM->setToolTip(QStringLiteral("The port the instrument is connected to"));

    rtf = new RichTextBox(this);
    rtf->setObjectName(QStringLiteral("rtf"));
    rtf->setVisible(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kBlinkIntervalMs);
}

void MainForm::placeControls()
{
    kLayout.place(*this);
    // The ring lies on the edge of the lamp's circle, so that it frames the lamp; being above it,
    // it is not covered by the lamp's white square and stays whole whether the lamp is lit or dark.
    Shape1->setGeometry(Colorful1->geometry().adjusted(-kRingWidth, -kRingWidth, kRingWidth, kRingWidth));
    // Wide enough for its caption in the platform's font; it grows to the right, where there is room.
    const int captionWidth = Label1->fontMetrics().horizontalAdvance(Label1->text()) + 4;
    Label1->resize(std::max(Label1->width(), captionWidth), Label1->height());
}

void MainForm::anchorControls()
{
    using Across = Anchors::Across;
    using Down = Anchors::Down;
    m_anchors.add(LblBytes, Across::Stretch, Down::Top);
    for (QWidget *command : {CmdStampa, CmdEsporta, CmdDelete})
        m_anchors.add(command, Across::Right, Down::Top);
    m_anchors.add(rtf1, Across::Stretch, Down::Stretch);
    for (QWidget *control : std::initializer_list<QWidget *>{CmdQuit, COM, rtf})
        m_anchors.add(control, Across::Left, Down::Bottom);
    // The picture and its caption stand in the middle of the bottom row.
    m_anchors.add(Image1, Across::Centre, Down::Bottom);
    m_anchors.add(Label1, Across::Centre, Down::Bottom);
    m_anchors.add(CmdInfo, Across::Right, Down::Bottom);
}

void MainForm::resizeEvent(QResizeEvent *event)
{
    m_anchors.place(event->size());
    QWidget::resizeEvent(event);
}

void MainForm::setTabOrderOfControls()
{
    const QList<QWidget *> order = {CmdEsporta, CmdStampa, rtf1,      CmdAcquisisci, CmdDelete,
                                    CmdQuit,    COM,       Colorful1, CmdInfo};
    for (qsizetype index = 1; index < order.size(); ++index)
        setTabOrder(order[index - 1], order[index]);
}

frmAbout *MainForm::aboutBox() const
{
    return m_about;
}

QString MainForm::com() const
{
    return COM->text();
}

void MainForm::setCom(const QString &text)
{
    COM->setText(text);
    const QString device = m_ports.describe(text.toInt());
    if (!device.isEmpty())
        COM->setToolTip(QStringLiteral("Port %1: %2").arg(text, device));
}

void MainForm::Form_Load()
{
    InAcquisizione = false;
    Colorful1->setVisible(false);
    Timer1->stop();
    rtf1->setText(QString());
    CmdStampa->setEnabled(false);
    CmdEsporta->setEnabled(false);
    CmdDelete->setEnabled(false);
    m_files->saveAction().setEnabled(false);
    LblBytes->setVisible(false);
}

void MainForm::applyReportCommandsRule()
{
    const bool holdsText = !rtf1->document()->isEmpty();
    CmdStampa->setEnabled(holdsText);
    CmdEsporta->setEnabled(holdsText);
    CmdDelete->setEnabled(holdsText);
    m_files->saveAction().setEnabled(holdsText);
}

void MainForm::rtf1_Change()
{
    // Text typed into an empty view, or all of it removed by hand, also moves the window between
    // its idle states; during a download the commands stay off until it ends.
    if (!InAcquisizione)
        applyReportCommandsRule();
}

void MainForm::CmdQuit_Click()
{
    if (m_messages.askYesNo(QStringLiteral("Are you sure to exit?")))
        close();
}

void MainForm::Timer1_Timer()
{
    Colorful1->setVisible(!Colorful1->isVisible());
}

void MainForm::CmdInfo_Click()
{
    // One About box at a time, not owned by this window: it outlives the main window when the
    // user quits while it is open, and the program ends when both are closed.
    if (!m_about) {
        m_about = new frmAbout;
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainForm::CmdDelete_Click()
{
    const int length = rtf1->SelLength();
    if (length == 0) {
        if (m_messages.askYesNo(QStringLiteral("Are you sure to delete all the data ?")))
            rtf1->setText(QString());
    } else if (m_messages.askYesNo(QStringLiteral("Are you sure to delete selected data ?"))) {
        const int start = rtf1->SelStart();
        const QString text = rtf1->Text();
        rtf1->setText(text.left(start) + text.mid(start + length));
    }
    applyReportCommandsRule();
}

void MainForm::CmdStampa_Click()
{
    m_printer.print(*rtf1);
}

void MainForm::CmdAcquisisci_Click()
{
    if (InAcquisizione) {
        RichiestaStop = true;
        return;
    }
    CmdStampa->setEnabled(false);
    CmdEsporta->setEnabled(false);
    CmdDelete->setEnabled(false);
    CmdQuit->setEnabled(false);
    // Reports are not saved or opened in the middle of a download.
    m_files->saveAction().setEnabled(false);
    m_files->openAction().setEnabled(false);
    m_drop->setEnabled(false);
    InAcquisizione = true;
    Timer1->start();
    CmdAcquisisci->setText(QStringLiteral("Stop"));
    LblBytes->start();

    QString failure;
    serial::SerialReceiver receiver;
    const std::optional<QString> device = m_ports.device(com().toInt());
    if (!device) {
        failure = QStringLiteral("Port %1 names no serial device. Restart the program and choose one of "
                                 "the ports it lists.")
                      .arg(com());
    } else if (!receiver.open(*device)) {
        failure = receiver.errorString();
    } else if (!serial::receiveUntilStopped(receiver,
                                            {.stopRequested = [this] { return RichiestaStop; },
                                             .show =
                                                 [this, started = false](const QString &text) mutable {
                                                     // The report starts on a line of its own.
                                                     if (!std::exchange(started, true))
                                                         rtf1->startNewLine();
                                                     rtf1->Append(text);
                                                 },
                                             .progress = [this](qint64 bytes) { LblBytes->receivedSoFar(bytes); }})) {
        failure = receiver.errorString();
    }
    endDownload(receiver.bytesReceived());
    // The failure is told once the window shows everything received and is idle again.
    if (!failure.isEmpty())
        m_messages.tell(failure, kAppTitle, MessageBoxes::Icon::Critical);
}

void MainForm::endDownload(qint64 bytesReceived)
{
    CmdAcquisisci->setText(QStringLiteral("Download"));
    InAcquisizione = false;
    Timer1->stop();
    Colorful1->setVisible(false);
    RichiestaStop = false;
    LblBytes->stop(bytesReceived);
    applyReportCommandsRule();
    CmdQuit->setEnabled(true);
    m_files->openAction().setEnabled(true);
    m_drop->setEnabled(true);
}

void MainForm::CmdEsporta_Click()
{
    const int length = rtf1->SelLength();
    rtf->setText(length != 0 ? rtf1->Text().mid(rtf1->SelStart(), length) : rtf1->Text());
    EsportaExcel();
}

void MainForm::EsportaExcel()
{
    if (!m_workbookOpener) {
        m_desktopOpener = std::make_unique<DesktopWorkbookOpener>(this);
        m_workbookOpener = m_desktopOpener.get();
    }
    ExportCommand(m_messages, *m_workbookOpener, m_temporaryWorkbooks).EsportaExcel(rtf->Text());
}

void MainForm::setWorkbookOpener(WorkbookOpener &opener, const QString &temporaryFolder)
{
    m_workbookOpener = &opener;
    m_temporaryWorkbooks = TemporaryWorkbooks(temporaryFolder);
}

void MainForm::closeEvent(QCloseEvent *event)
{
    // A slip of the title bar's close must not cost the report being received: No keeps the
    // window and the download. Yes asks the download to wind up; it closes the port.
    if (InAcquisizione
        && !m_messages.askYesNo(QStringLiteral("A download is running. Stop it and close the window?\n\n"
                                               "What it has received will be lost. To keep it, answer No, "
                                               "press Stop, then save the report (%1).")
                                    .arg(m_files->saveAction().shortcut().toString(QKeySequence::NativeText)))) {
        event->ignore();
        return;
    }
    if (InAcquisizione)
        RichiestaStop = true;
    Timer1->stop();
    event->accept();
}

} // namespace elvaro::shell
