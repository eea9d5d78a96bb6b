#pragma once

#include "report/CCella.h"

#include <cstdint>
#include <string>

namespace elvaro::testing {

using report::CCella;

// Appends a text run as the parser leaves one and returns the copy that the tree holds.
inline CCella &addRun(CCella &parent, const std::string &text, std::int16_t band, std::int16_t column)
{
    CCella run;
    run.setContenuto(text);
    run.setLarghezza(static_cast<std::int16_t>(text.size()));
    run.setIndexRiga(band);
    run.setIndexChar(column);
    run.setAltezza(1);
    report::SottoCelle &members = *parent.SottoCelle();
    members.AddC(run);
    return members.Item(members.Count());
}

// Appends an empty box and returns the copy that the tree holds: fill it, then finishBox().
inline CCella &addBox(CCella &parent, std::int16_t band, std::int16_t column)
{
    CCella box;
    box.setBordato(true);
    box.setIndexRiga(band);
    box.setIndexChar(column);
    box.setAltezza(1);
    report::SottoCelle &members = *parent.SottoCelle();
    members.AddC(box);
    return members.Item(members.Count());
}

// Sets ExistSottoCelle and Contenuto as the parser does once a box's content is known: a
// container with two or more members; otherwise the text of its single run, or blanks when
// its only member is a nested box.
inline void finishBox(CCella &box)
{
    const report::SottoCelle &members = *box.SottoCelle();
    box.ExistSottoCelle = members.Count() >= 2;
    if (box.ExistSottoCelle || members.Count() == 0)
        return;
    const CCella &only = members.Item(1);
    box.setContenuto(only.Bordato() ? std::string("     ") : only.Contenuto());
}

} // namespace elvaro::testing
