#pragma once

namespace elvaro::report {
class CCella;
}

namespace elvaro::cli {

class BufferedOutput;

// Writes the cell tree as JSON while it walks it: one object per cell with the keys
// ExistSottoCelle, Contenuto, Bordato, Larghezza, IndexRiga, IndexChar, Altezza and SottoCelle
// (its members in order), two spaces of indent a level, a line end after the root. Texts are
// UTF-8 and written as they are; quotes, backslashes, control characters and DEL are escaped.
void writeTreeJson(const report::CCella &root, BufferedOutput &out);

} // namespace elvaro::cli
