// Time to receive 1 MiB of random bytes through a pseudo-terminal and show it in the report view
// of the real main window, with DOWNLOAD pressed and Stop pressed once the last byte is shown.
// Goal: under 2 s.
#include "SerialBench.h"

#include "report/ByteFilter.h"
#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"
#include "shell/CommonDialog.h"
#include "shell/MainForm.h"
#include "shell/MessageBoxes.h"
#include "shell/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

namespace {

class NoMessages final : public elvaro::shell::MessageBoxes {
public:
    bool askYesNo(const QString &, const QString &) override { return false; }
    void tell(const QString &text, const QString &, Icon) override
    {
        std::fprintf(stderr, "download_view: %s\n", qPrintable(text));
    }
};

class NoPrinter final : public elvaro::shell::CommonDialog {
public:
    bool ShowPrinter(QPrinter &) override { return false; }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    constexpr std::size_t kSize = 1 << 20;
    const std::string sent = elvaro::bench::randomBytes(kSize, 5);

    // The view holds one character per byte and one paragraph break per line end (a carriage
    // return, a line feed or the pair), plus a closing mark.
    std::string filtered;
    elvaro::report::appendFiltered(filtered, sent);
    qsizetype expectedCharacters = 1;
    for (std::size_t i = 0; i < filtered.size(); ++i) {
        if (!(filtered[i] == '\n' && i > 0 && filtered[i - 1] == '\r'))
            ++expectedCharacters;
    }

    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        elvaro::serial::PseudoTerminal line;
        if (!line.open())
            return 1;
        const auto ports = elvaro::serial::PortTable::build({{1, line.devicePath()}}, {});
        NoMessages messages;
        NoPrinter printer;
        elvaro::shell::MainForm form(ports, messages, printer);
        form.Form_Load();
        form.setCom(QStringLiteral("1"));
        form.show();

        QElapsedTimer clock;
        std::thread writer;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (!writer.joinable() && line.deviceIsOpen()) {
                clock.start();
                writer = std::thread([&] { line.writeAll(sent); });
            }
            // A carriage return at the very end is held back until Stop.
            if (writer.joinable() && form.reportView().document()->characterCount() >= expectedCharacters - 1) {
                driver.stop();
                form.downloadButton().click();
            }
        });
        driver.start(5);
        form.downloadButton().click();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        writer.join();
        best = std::min(best, seconds);
    }
    std::printf("1 MiB received and shown in the main window's report view: %.0f ms, best of 3 (goal: under 2 s)\n",
                best * 1e3);
    return 0;
}
