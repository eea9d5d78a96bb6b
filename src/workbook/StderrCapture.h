#pragma once

namespace elvaro::workbook {

// Keeps standard error away from the user while it lives: the .xlsx writer prints its own
// "[ERROR]" and "[WARNING]" lines there, while its caller reports a failure once, in its own
// words. Other lines written meanwhile are passed on when it ends.
class StderrCapture {
public:
    StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;
    ~StderrCapture();

private:
    int m_saved = -1;
    int m_pipe = -1;
};

} // namespace elvaro::workbook
