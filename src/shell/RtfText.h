#pragma once

#include <QString>

#include <optional>

// Rich text of the report view. The view holds plain text, so the rich text it gives out is that
// text in one fixed-pitch font, and the only rich text it takes in is its own, read for its text.
namespace elvaro::shell {

// Lines are separated by "\n" in the plain text; each separator becomes \par.
QString plainTextToRtf(const QString &text);

// The plain text of a rich text that plainTextToRtf wrote, lines separated by "\n"; nothing for
// any other string.
std::optional<QString> rtfToPlainText(const QString &rtf);

} // namespace elvaro::shell
