#pragma once

#include <string>

namespace elvaro::report {
class CCella;
}

namespace elvaro::cli {

// The cell tree as JSON: one object per cell with the keys ExistSottoCelle, Contenuto, Bordato,
// Larghezza, IndexRiga, IndexChar, Altezza and SottoCelle (its members in order).
std::string treeToJson(const report::CCella &root);

} // namespace elvaro::cli
