#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace elvaro::workbook {

// Reads one XML part of a workbook as it is unpacked, piece by piece, and tells whether it came
// out whole: its root element's closing tag stands at its end. It also counts the worksheet rows
// ("<row ") and cells ("<c ") it holds.
class XmlPartCheck {
public:
    void add(std::string_view piece);

    // True when the part starts with an element and ends with that element's closing tag.
    bool isComplete() const;
    std::int64_t rows() const { return m_rows; }
    std::int64_t cells() const { return m_cells; }

private:
    // Counts the row and cell openings of a piece in one pass over its '<'; the last bytes of the
    // part so far find an opening that straddles two pieces.
    void countOpenings(std::string_view piece);

    std::string m_head;
    std::string m_tail;
    std::string m_carry;
    std::int64_t m_rows = 0;
    std::int64_t m_cells = 0;
};

} // namespace elvaro::workbook
