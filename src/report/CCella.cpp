#include "report/CCella.h"

#include "report/Int16.h"
#include "report/Parser.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace elvaro::report {

// Releases cells with an explicit work list instead of one nested destructor call per level,
// so that a deeply nested tree cannot exhaust the stack. A child collection that another cell
// still shares is left alone.
void SottoCelle::releaseAll(std::vector<std::unique_ptr<CCella>> work)
{
    while (!work.empty()) {
        std::unique_ptr<CCella> cell = std::move(work.back());
        work.pop_back();
        std::shared_ptr<SottoCelle> &children = cell->m_children;
        if (children && children.use_count() == 1) {
            // Only members that alone hold children of their own go on the list; the others
            // (text runs, copies that share their children) are released at once.
            for (auto &member : children->m_members) {
                const std::shared_ptr<SottoCelle> &own = member->m_children;
                if (own && own.use_count() == 1 && !own->m_members.empty())
                    work.push_back(std::move(member));
            }
            children->m_members.clear();
        }
    }
}

SottoCelle::~SottoCelle()
{
    releaseAll(std::move(m_members));
}

CCella::~CCella()
{
    if (m_children && m_children.use_count() == 1)
        SottoCelle::releaseAll(std::move(m_children->m_members));
}

void SottoCelle::AddC(CCella &source)
{
    append(source, source.m_text);
}

void SottoCelle::addTakingText(CCella &source)
{
    append(source, std::move(source.m_text));
}

void SottoCelle::append(CCella &source, std::string text)
{
    auto copy = std::make_unique<CCella>();
    copy->m_bordered = source.m_bordered;
    copy->m_text = std::move(text);
    copy->m_width = source.m_width;
    copy->m_band = source.m_band;
    copy->m_column = source.m_column;
    copy->m_height = source.m_height;
    copy->ExistSottoCelle = source.ExistSottoCelle;
    copy->m_sourceLine = source.m_sourceLine;
    copy->m_firstLineHeldBox = source.m_firstLineHeldBox;
    copy->m_grid = source.m_grid;
    copy->m_gridPlace = source.m_gridPlace;
    copy->m_children = source.SottoCelle();
    m_members.push_back(std::move(copy));
}

static void checkPosition(std::int32_t index, std::size_t count)
{
    if (index < 1 || static_cast<std::size_t>(index) > count) {
        throw std::out_of_range("Invalid procedure call: position " + std::to_string(index)
                                + " is outside the collection of " + std::to_string(count) + " members");
    }
}

CCella &SottoCelle::Item(std::int32_t index)
{
    checkPosition(index, m_members.size());
    return *m_members[static_cast<std::size_t>(index) - 1];
}

const CCella &SottoCelle::Item(std::int32_t index) const
{
    checkPosition(index, m_members.size());
    return *m_members[static_cast<std::size_t>(index) - 1];
}

std::int32_t SottoCelle::Count() const
{
    return static_cast<std::int32_t>(m_members.size());
}

const std::shared_ptr<SottoCelle> &CCella::SottoCelle()
{
    if (!m_children)
        m_children = std::make_shared<report::SottoCelle>();
    return m_children;
}

const SottoCelle &CCella::children() const
{
    static const report::SottoCelle none;
    return m_children ? *m_children : none;
}

void CCella::newCella(std::string_view text, ParseReporter &reporter)
{
    parseReport(*this, text, reporter);
}

std::int16_t CCella::SortCells()
{
    std::shared_ptr<report::SottoCelle> old = SottoCelle();
    checked16(old->Count(), "number of cells to sort in one box (or outside all boxes)");

    // A stable sort gives the same order as repeatedly taking the first smallest member. The
    // sorted collection takes the members over: each keeps its values and the child collection it
    // shares, and the old collection is left empty.
    std::vector<std::unique_ptr<CCella>> members = std::move(old->m_members);
    old->m_members.clear();
    const auto readingOrder = [](const auto &a, const auto &b) {
        if (a->m_band != b->m_band)
            return a->m_band < b->m_band;
        return a->m_column < b->m_column;
    };
    // Most boxes are found in reading order already; the sort would only copy them.
    if (!std::is_sorted(members.begin(), members.end(), readingOrder))
        std::stable_sort(members.begin(), members.end(), readingOrder);
    auto sorted = std::make_shared<report::SottoCelle>();
    sorted->m_members = std::move(members);
    m_children = std::move(sorted);
    return 0;
}

bool CCella::SoloTrattini(const std::string &s)
{
    // A plain loop: find_first_not_of with a set searches the set once for every character.
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '-' || c == '='; });
}

bool CCella::SoloSpazi(const std::string &s)
{
    return !s.empty() && s.find_first_not_of(' ') == std::string::npos;
}

} // namespace elvaro::report
