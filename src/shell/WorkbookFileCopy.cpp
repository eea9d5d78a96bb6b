#include "shell/WorkbookFileCopy.h"

#include "system/SystemText.h"
#include "workbook/FileError.h"
#include "workbook/FileSizeSignalIgnored.h"
#include "workbook/OutputFile.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace elvaro::shell {

void copyWorkbookFile(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        throw workbook::FileError("the exported workbook " + QFile::encodeName(from).toStdString()
                                  + " cannot be read: " + source.errorString().toStdString());
    }
    const QByteArray bytes = source.readAll();
    const workbook::FileSizeSignalIgnored ignored;
    workbook::OutputFile file(QFile::encodeName(to).toStdString());
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t count =
            ::write(file.descriptor(), bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw workbook::FileError("cannot write " + QFile::encodeName(to).toStdString() + ": "
                                      + system::errorText(errno));
        written += count;
    }
    file.commit();
}

} // namespace elvaro::shell
