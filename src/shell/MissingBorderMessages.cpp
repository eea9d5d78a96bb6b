#include "shell/MissingBorderMessages.h"

#include <charconv>
#include <string_view>

namespace elvaro::shell {

namespace {

// The boxes one message stands for. Past its own limit the parser sums up the boxes it did not
// report one by one in a last message that begins with their number ("N more boxes ...").
std::int64_t boxesIn(const std::string &message)
{
    std::int64_t count = 0;
    const char *end = message.data() + message.size();
    const auto [next, error] = std::from_chars(message.data(), end, count);
    if (error == std::errc() && count > 0 && std::string_view(next, end).starts_with(" more "))
        return count;
    return 1;
}

} // namespace

void MissingBorderMessages::reportError(const std::string &message)
{
    if (m_listed.size() < kMaxListed)
        m_listed.append(QString::fromStdString(message));
    else
        m_notListed += boxesIn(message);
}

QString MissingBorderMessages::text() const
{
    QString text = m_listed.join(u'\n');
    if (m_notListed == 1)
        text += QStringLiteral("\n1 more box without a bottom border is not listed here.");
    else if (m_notListed > 1)
        text += QStringLiteral("\n%1 more boxes without a bottom border are not listed here.").arg(m_notListed);
    return text;
}

} // namespace elvaro::shell
