#pragma once

#include "report/CCella.h"

#include <QStringList>

#include <cstdint>
#include <string>

// The parser's messages about boxes without a bottom border, gathered during one export so that
// they are shown together in one "DEBUG" box once the parse is done: the first kMaxListed as the
// parser words them, one a line, then how many more boxes lack their border.
namespace elvaro::shell {

class MissingBorderMessages final : public report::ParseReporter {
public:
    static constexpr int kMaxListed = 20;

    void reportError(const std::string &message) override;

    bool isEmpty() const { return m_listed.isEmpty(); }
    QString text() const;

private:
    QStringList m_listed;
    std::int64_t m_notListed = 0;
};

} // namespace elvaro::shell
