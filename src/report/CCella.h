#pragma once

#include "report/CellPool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace elvaro::report {

class CCella;
template <class Char>
class Parser;

// Where a cell of a grid stands: the grid row and column of its top-left place, counted from 0,
// and how many rows and columns it spans.
struct GridPlace {
    std::int16_t row = 0;
    std::int16_t column = 0;
    std::int16_t rows = 1;
    std::int16_t columns = 1;
};

// Receives the parser's messages, "Errore in riga N, fine casella non trovata", one call each,
// in order. The desktop shows them in a message box, the command line prints them.
// Parsing goes on after every message. One parse reports at most 100 of them one by one and
// then a single message with the number of the others.
class ParseReporter {
public:
    virtual ~ParseReporter() = default;
    virtual void reportError(const std::string &message) = 0;
};

// The 1-based, insertion-ordered collection of a cell's children.
class SottoCelle {
public:
    SottoCelle() = default;
    SottoCelle(const SottoCelle &) = delete;
    SottoCelle &operator=(const SottoCelle &) = delete;
    ~SottoCelle();

    // Appends a copy of `source` that shares source's own child collection.
    void AddC(CCella &source);
    // The member at the 1-based position; std::out_of_range outside 1..Count.
    CCella &Item(std::int32_t index);
    const CCella &Item(std::int32_t index) const;
    std::int32_t Count() const;

private:
    friend class CCella;
    template <class Char>
    friend class Parser;
    static void releaseAll(std::vector<std::unique_ptr<CCella>> work);
    // AddC for a source that is about to be discarded or overwritten: its text is moved, not copied.
    void addTakingText(CCella &source);
    void append(CCella &source, std::string text);
    std::vector<std::unique_ptr<CCella>> m_members;
};

// One node of a parsed report: the root, a bordered box or an unbordered text run.
class CCella final {
public:
    CCella() = default;
    CCella(const CCella &) = delete;
    CCella &operator=(const CCella &) = delete;
    ~CCella();

    // Cells are carved out of large blocks (see CellPool.h).
    static void *operator new(std::size_t size) { return cellPool::allocate(size); }
    static void operator delete(void *cell) noexcept { cellPool::release(cell); }

    // True when newCella left two or more children; such a cell is a container.
    bool ExistSottoCelle = false;

    const std::string &Contenuto() const { return m_text; }
    void setContenuto(std::string value) { m_text = std::move(value); }
    bool Bordato() const { return m_bordered; }
    void setBordato(bool value) { m_bordered = value; }
    std::int16_t Larghezza() const { return m_width; }
    void setLarghezza(std::int16_t value) { m_width = value; }
    // The row band, counted from 0, of the line on which the cell was found, in the text its
    // parent parsed. A row band is a group of consecutive lines that share one set of box cuts:
    // a line on which boxes stand opens one, which lasts through the last text line of the last
    // box found in it, and every other line is a band of its own (lines 1 and 2 share band 0
    // when line 1 holds no box). So it is not a line number; each band becomes one worksheet row.
    std::int16_t IndexRiga() const { return m_band; }
    void setIndexRiga(std::int16_t value) { m_band = value; }
    // The character column, from 1, at which the cell starts in its parent's text as it was
    // before any box was cut out of it.
    std::int16_t IndexChar() const { return m_column; }
    void setIndexChar(std::int16_t value) { m_column = value; }
    std::int16_t Altezza() const { return m_height; }
    void setAltezza(std::int16_t value) { m_height = value; }

    // The same values under plain English names, for new code.
    const std::string &text() const { return m_text; }
    bool isBordered() const { return m_bordered; }
    std::int16_t width() const { return m_width; }
    std::int16_t band() const { return m_band; }
    std::int16_t column() const { return m_column; }
    std::int16_t height() const { return m_height; }

    // Where the parser found the cell: the 1-based number of the line, in the text its parent
    // parsed, on which the cell starts; 0 for a cell built by hand.
    std::int16_t sourceLine() const { return m_sourceLine; }
    // Whether line 1 of the text in which the parser found the cell held a box. When it did not,
    // line 1 closed no band of its own, so line 1 and line 2 share band 0.
    bool firstLineHeldBox() const { return m_firstLineHeldBox; }

    // A grid is a box whose members are the cells of a table drawn with shared borders; each
    // member is a box with its place in the grid. The sheet lays a grid out as a table.
    bool isGrid() const { return m_grid; }
    const GridPlace &gridPlace() const { return m_gridPlace; }

    // The children; created empty on first read, the same collection on every later read.
    const std::shared_ptr<report::SottoCelle> &SottoCelle();
    // The children without creating a collection: an empty one that belongs to no cell when this
    // cell holds none yet.
    const report::SottoCelle &children() const;

    // Parses report text into this cell's children. A cell is parsed at most once:
    // a second call throws std::logic_error. Raises OverflowError when the text leaves the
    // 16-bit limits (32,767 lines or more, a line of 32,767 characters or more...).
    // Missing bottom borders are reported to `reporter` and parsing goes on.
    void newCella(std::string_view text, ParseReporter &reporter);

    // Puts the children in reading order (IndexRiga, then IndexChar; ties keep their order)
    // in a new collection; the old collection is left empty. Always returns 0.
    std::int16_t SortCells();

    // True when s is not empty and made only of spaces, '-' and '=': separator and filler text.
    static bool SoloTrattini(const std::string &s);
    // True when s is not empty and made only of spaces.
    static bool SoloSpazi(const std::string &s);

private:
    friend class SottoCelle;
    template <class Char>
    friend class Parser;

    std::string m_text;
    bool m_bordered = false;
    std::int16_t m_width = 0;
    std::int16_t m_band = 0;
    std::int16_t m_column = 0;
    std::int16_t m_height = 0;
    std::int16_t m_sourceLine = 0;
    bool m_firstLineHeldBox = false;
    bool m_grid = false;
    GridPlace m_gridPlace;
    // Set by the parser once it has begun to parse this cell: all it keeps of a parse, so that a
    // second parse of the same cell is refused. Copies made by AddC do not carry it.
    bool m_parsed = false;
    std::shared_ptr<report::SottoCelle> m_children;
};

} // namespace elvaro::report
