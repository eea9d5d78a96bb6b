#pragma once

#include "shell/Anchors.h"
#include "shell/ReportPrinter.h"
#include "shell/TemporaryWorkbooks.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace elvaro::serial {
class PortTable;
}

// The main window (WORK PAGE): the report view, the command buttons and their state rule, the
// status lamp with its timer and the download's byte counter, DELETE, PRINT, QUIT and the About
// box. The report view's context menu and Ctrl+S, Ctrl+O save and open reports, and a report file
// dropped onto the window opens; closing the window during a download asks first. The window can be made larger than its designed size, never smaller: the report view takes
// the new room, the top row's commands keep to the right edge and the bottom row to the bottom.
namespace elvaro::shell {

class Colorful;
class CommonDialog;
class DownloadCounter;
class FileDrop;
class frmAbout;
class MessageBoxes;
class ReportContextMenu;
class ReportFiles;
class RichTextBox;
class RingShape;
class WorkbookOpener;

class MainForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBlinkIntervalMs = 500;

    // The window's client area as designed, in pixels; also its smallest size.
    static QSize designedSize();

    MainForm(const serial::PortTable &ports, MessageBoxes &messages, CommonDialog &printDialog,
             QWidget *parent = nullptr);
    ~MainForm() override;

    // True while a download runs.
    bool InAcquisizione = false;
    // True once Stop has been pressed during a running download, until the download winds up.
    bool RichiestaStop = false;

    void Form_Load();
    void CmdQuit_Click();
    void Timer1_Timer();
    void CmdInfo_Click();
    void CmdDelete_Click();
    void CmdStampa_Click();
    void CmdAcquisisci_Click();
    void CmdEsporta_Click();
    // EXPORT's driver: the export buffer's text to a new workbook shown in the spreadsheet application.
    void EsportaExcel();
    void rtf1_Change();

    // PRINT, EXPORT and DELETE (and "Save report as…") are enabled exactly when the report view
    // holds text.
    void applyReportCommandsRule();

    // The port number as decimal text; start-up writes it, the download reads it.
    QString com() const;
    void setCom(const QString &text);

    RichTextBox &reportView() const { return *rtf1; }
    RichTextBox &exportBuffer() const { return *rtf; }
    Colorful &lamp() const { return *Colorful1; }
    QTimer &lampTimer() const { return *Timer1; }
    QPushButton &downloadButton() const { return *CmdAcquisisci; }
    DownloadCounter &byteCounter() const { return *LblBytes; }
    ReportFiles &reportFiles() const { return *m_files; }
    frmAbout *aboutBox() const;

    // Who shows exported workbooks, and the folder that keeps them meanwhile; unless set, the
    // desktop's spreadsheet application and the private temporary folder.
    void setWorkbookOpener(WorkbookOpener &opener, const QString &temporaryFolder);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void placeControls();
    void anchorControls();
    void setTabOrderOfControls();
    // Steps 13 to 20 of a download: the window back in its idle state.
    void endDownload(qint64 bytesReceived);

    const serial::PortTable &m_ports;
    MessageBoxes &m_messages;
    CommonDialog &CommonDialog1;
    QPointer<frmAbout> m_about;
    std::unique_ptr<WorkbookOpener> m_desktopOpener;
    WorkbookOpener *m_workbookOpener = nullptr;
    TemporaryWorkbooks m_temporaryWorkbooks{TemporaryWorkbooks::defaultFolders()};
    Anchors m_anchors{designedSize()};
    ReportPrinter m_printer{CommonDialog1, m_messages};

    Colorful *Colorful1 = nullptr;
    RingShape *Shape1 = nullptr;
    QPushButton *CmdAcquisisci = nullptr;
    DownloadCounter *LblBytes = nullptr;
    QPushButton *CmdStampa = nullptr;
    QPushButton *CmdEsporta = nullptr;
    QPushButton *CmdDelete = nullptr;
    RichTextBox *rtf1 = nullptr;
    QPushButton *CmdQuit = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *CmdInfo = nullptr;
    QLineEdit *COM = nullptr;
    RichTextBox *rtf = nullptr;
    QTimer *Timer1 = nullptr;
    ReportFiles *m_files = nullptr;
    ReportContextMenu *m_contextMenu = nullptr;
    FileDrop *m_drop = nullptr;
};

} // namespace elvaro::shell
