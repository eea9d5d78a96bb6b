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

// Receives the parser's messages, "Errore in riga N, fine casella non trovata", one call each,
// in order. The desktop shows them in a message box, the command line prints them.
// Parsing goes on after every message. One parse reports at most 100 of them one by one and
// then a single message with the number of the others.
class ParseReporter {
public:
    virtual ~ParseReporter() = default;
    virtual void reportError(const std::string &message) = 0;
};

// Discards every message.
class SilentReporter final : public ParseReporter {
public:
    void reportError(const std::string &) override {}
};

// The 1-based, insertion-ordered collection of a cell's children.
class SottoCelle {
public:
    SottoCelle() = default;
    SottoCelle(const SottoCelle &) = delete;
    SottoCelle &operator=(const SottoCelle &) = delete;
    ~SottoCelle();

    // Appends a copy of `asd` that shares asd's own child collection.
    void AddC(CCella &asd);
    // The member at the 1-based position; std::out_of_range outside 1..Count.
    CCella &Item(std::int32_t index);
    const CCella &Item(std::int32_t index) const;
    std::int32_t Count() const;
    // Removes the member at the 1-based position; the later members move down one place.
    void Remove(std::int32_t index);

private:
    friend class CCella;
    friend class Parser;
    static void releaseAll(std::vector<std::unique_ptr<CCella>> work);
    // AddC for a source that is about to be discarded or overwritten: its text is moved, not copied.
    void addTakingText(CCella &asd);
    void append(CCella &asd, std::string contenuto);
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

    const std::string &Contenuto() const { return m_contenuto; }
    void setContenuto(std::string vData) { m_contenuto = std::move(vData); }
    bool Bordato() const { return m_bordato; }
    void setBordato(bool vData) { m_bordato = vData; }
    std::int16_t Larghezza() const { return m_larghezza; }
    void setLarghezza(std::int16_t vData) { m_larghezza = vData; }
    std::int16_t IndexRiga() const { return m_indexRiga; }
    void setIndexRiga(std::int16_t vData) { m_indexRiga = vData; }
    std::int16_t IndexChar() const { return m_indexChar; }
    void setIndexChar(std::int16_t vData) { m_indexChar = vData; }
    std::int16_t Altezza() const { return m_altezza; }
    void setAltezza(std::int16_t vData) { m_altezza = vData; }

    // Where the parser found the cell: the 1-based number of the line, in the text its parent
    // parsed, on which the cell starts; 0 for a cell built by hand.
    std::int16_t sourceLine() const { return m_sourceLine; }
    // Whether line 1 of the text in which the parser found the cell held a box. When it did not,
    // line 1 closed no band of its own, so line 1 and line 2 share band 0.
    bool firstLineHeldBox() const { return m_firstLineHeldBox; }

    // The children; created empty on first read, the same collection on every later read.
    const std::shared_ptr<report::SottoCelle> &SottoCelle();
    // Installs a collection (nullptr allowed: the next read creates a fresh one).
    void setSottoCelle(std::shared_ptr<report::SottoCelle> vData) { m_sottoCelle = std::move(vData); }
    // The children without creating a collection: nullptr or empty when there are none.
    const report::SottoCelle *sottoCelleIfAny() const { return m_sottoCelle.get(); }

    // Parses report text into this cell's children. A cell is parsed at most once:
    // a second call throws std::logic_error. Raises OverflowError when the text leaves the
    // 16-bit limits (32,767 lines or more, a line of 32,767 characters or more...).
    // Missing bottom borders are reported to `reporter` and parsing goes on.
    void newCella(std::string_view Stringa, ParseReporter &reporter);

    // Puts the children in reading order (IndexRiga, then IndexChar; ties keep their order)
    // in a new collection; the old collection is left empty. Always returns 0.
    std::int16_t SortCells();

    // True when s is not empty and made only of spaces and '-': separator and filler text.
    static bool SoloTrattini(const std::string &s);
    // True when s is not empty and made only of spaces.
    static bool SoloSpazi(const std::string &s);

    // The lines as the last parse left them (shortened by the boxes cut out of them).
    const std::vector<std::string> &righeForTesting() const;

private:
    friend class SottoCelle;
    friend class Parser;

    struct ParseState {
        std::vector<std::string> Righe;
        std::vector<std::int16_t> PosTaglio;
        std::vector<std::int16_t> LargTaglio;
        std::int16_t NumTagli = 0;
    };

    std::string m_contenuto;
    bool m_bordato = false;
    std::int16_t m_larghezza = 0;
    std::int16_t m_indexRiga = 0;
    std::int16_t m_indexChar = 0;
    std::int16_t m_altezza = 0;
    std::int16_t m_sourceLine = 0;
    bool m_firstLineHeldBox = false;
    std::shared_ptr<report::SottoCelle> m_sottoCelle;
    std::unique_ptr<ParseState> m_parse;
};

} // namespace elvaro::report
