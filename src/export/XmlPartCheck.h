#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace elvaro::excel {

// Reads one XML part of a workbook as it is unpacked, piece by piece, and tells whether it came
// out whole: its root element's closing tag stands at its end. It also counts the worksheet rows
// ("<row ") and cells ("<c ") it holds.
class XmlPartCheck {
public:
    void add(std::string_view piece);

    // True when the part starts with an element and ends with that element's closing tag.
    bool isComplete() const;
    std::int64_t rows() const { return m_rows.count; }
    std::int64_t cells() const { return m_cells.count; }

private:
    // Counts a tag opening over the pieces; the last bytes of the part so far find a tag that
    // straddles two pieces.
    struct TagCount {
        explicit TagCount(std::string_view counted) : tag(counted) {}

        std::string_view tag;
        std::string carry;
        std::int64_t count = 0;

        void add(std::string_view piece);
    };

    std::string m_head;
    std::string m_tail;
    TagCount m_rows{"<row "};
    TagCount m_cells{"<c "};
};

} // namespace elvaro::excel
