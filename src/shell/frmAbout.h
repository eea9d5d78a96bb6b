#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product, maker and the free-use terms. Shown without blocking the main window;
// OK, Enter and Esc close it.
namespace elvaro::shell {

class frmAbout : public QDialog {
    Q_OBJECT

public:
    static const QString kCompany;
    static const QString kWebAddress;
    // The four pieces of the free-use terms, in the order they are shown.
    static const QStringList kLicensePieces;

    explicit frmAbout(QWidget *parent = nullptr);

    void Form_Load();
    void cmdOK_Click();

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();

    QLabel *Image1 = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblLicense = nullptr;
    QPushButton *cmdOK = nullptr;
};

} // namespace elvaro::shell
