#include "shell/WorkbookFileCopy.h"

#include "export/FileError.h"
#include "export/OutputFile.h"
#include "system/SystemText.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace elvaro::shell {

void copyWorkbookFile(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        throw excel::FileError("the exported workbook " + QFile::encodeName(from).toStdString()
                               + " cannot be read: " + source.errorString().toStdString());
    }
    const QByteArray bytes = source.readAll();
    excel::OutputFile file(QFile::encodeName(to).toStdString());
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t count =
            ::write(file.descriptor(), bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw excel::FileError("cannot write " + QFile::encodeName(to).toStdString() + ": "
                                   + system::errorText(errno));
        written += count;
    }
    file.commit();
}

} // namespace elvaro::shell
