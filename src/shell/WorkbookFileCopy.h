#pragma once

#include <QString>

namespace elvaro::shell {

// Copies a workbook file that was written earlier to `to`; the copy appears whole or not at all,
// replaces an existing file only on success, and gets the permissions of a new file of the user
// (the temporary copies are read-only). Throws FileError when the workbook cannot be read or the
// copy written or the copy cannot be created or put in place.
void copyWorkbookFile(const QString &from, const QString &to);

} // namespace elvaro::shell
