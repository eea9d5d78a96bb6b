#include "workbook/CellValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace elvaro::workbook {

namespace {

// A double keeps 15 significant decimal digits; the sheet shows no more than that.
constexpr int kSignificantDigits = 15;
// The most decimals a number format can show.
constexpr std::size_t kMaxFormatDecimals = 30;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Skips a run of digits from `pos`; returns how many there were.
std::size_t skipDigits(std::string_view text, std::size_t &pos)
{
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos - start;
}

bool startsEscape(std::string_view text, std::size_t pos)
{
    constexpr std::size_t kEscapeLength = 7; // _xHHHH_
    if (pos + kEscapeLength > text.size() || text[pos] != '_' || text[pos + 1] != 'x' || text[pos + 6] != '_')
        return false;
    for (std::size_t i = pos + 2; i < pos + 6; ++i) {
        if (!isHexDigit(text[i]))
            return false;
    }
    return true;
}

void appendEscape(std::string &out, unsigned char c)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", static_cast<unsigned>(c));
    out += buffer;
}

} // namespace

std::optional<double> plainNumber(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const std::size_t integerStart = pos;
    const std::size_t integerDigits = skipDigits(text, pos);
    if (integerDigits == 0)
        return std::nullopt;
    if (integerDigits > 1 && text[integerStart] == '0')
        return std::nullopt;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        if (skipDigits(text, pos) == 0)
            return std::nullopt;
    }
    const std::size_t mantissaEnd = pos;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (skipDigits(text, pos) == 0)
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    std::string_view mantissa = text.substr(integerStart, mantissaEnd - integerStart);
    std::string digits;
    for (char c : mantissa) {
        if (isDigit(c))
            digits += c;
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first != std::string::npos) {
        const std::size_t last = digits.find_last_not_of('0');
        if (static_cast<int>(last - first + 1) > kSignificantDigits)
            return std::nullopt;
    }

    // from_chars takes no leading '+'.
    std::string_view unsigned_ = text[0] == '+' ? text.substr(1) : text;
    double value = 0;
    const auto [end, error] = std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), value);
    if (error != std::errc() || end != unsigned_.data() + unsigned_.size() || !std::isfinite(value))
        return std::nullopt;
    // Adding zero turns -0 into 0: the sheet has no negative zero.
    return value + 0.0;
}

PrintedForm printedForm(std::string_view text)
{
    PrintedForm form;
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string_view::npos ? 0 : text.size() - point - 1;
    if (text.find_first_of("eE") != std::string_view::npos || decimals > kMaxFormatDecimals) {
        form.general = true;
        return form;
    }
    form.decimals = static_cast<int>(decimals);
    const char sign = text.empty() ? '\0' : text.front();
    form.plus = sign == '+';
    form.negativeZero = sign == '-' && text.find_first_of("123456789") == std::string_view::npos;
    return form;
}

std::string numberFormatOf(const PrintedForm &form)
{
    if (form.general)
        return {};
    const std::string digits =
        form.decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(form.decimals), '0');
    if (form.plus)
        return "+" + digits + ";-" + digits;
    if (form.negativeZero)
        return digits + ";-" + digits + ";-" + digits;
    return digits;
}

bool needsEscapes(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if ((c < 0x20 && c != '\t' && c != '\n') || (c == '_' && startsEscape(text, pos)))
            return true;
    }
    return false;
}

std::string escapedText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x20 && c != '\t' && c != '\n')
            appendEscape(out, c);
        else if (c == '_' && startsEscape(text, pos))
            appendEscape(out, c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace elvaro::workbook
