#include "report/ByteFilter.h"

namespace elvaro::report {

void appendFiltered(std::string &out, std::string_view bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[start + i] = filterByte(static_cast<unsigned char>(bytes[i]));
}

std::string filterBytes(std::string_view bytes)
{
    std::string out;
    appendFiltered(out, bytes);
    return out;
}

} // namespace elvaro::report
