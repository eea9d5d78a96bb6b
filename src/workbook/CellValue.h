#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace elvaro::workbook {

// The number a text stands for when it reads as a plain decimal number: an optional sign,
// digits, optionally a point followed by digits, optionally an exponent. A leading zero before
// another digit ("007"), more than 15 significant digits or a value beyond the range of a
// double keep the text a text, so that no character is lost. "-0" gives 0.
std::optional<double> plainNumber(std::string_view text);

// What of a number's printed form its format depends on: the numbers of a report share few forms.
struct PrintedForm {
    bool general = false; // no format shows it
    bool plus = false;
    bool negativeZero = false;
    int decimals = 0;
    auto operator<=>(const PrintedForm &) const = default;
};
PrintedForm printedForm(std::string_view text);
// The number format that shows a number of that printed form as it is printed: the printed
// decimals ("85.0" "0.0", "12" "0"), a printed "+" ("+21.5" "+0.0;-0.0") and a "-" before a zero
// ("-0.00" "0.00;-0.00;-0.00"). Empty, for General, when no format shows the printed form: an
// exponent, or more decimals than a format holds (30).
std::string numberFormatOf(const PrintedForm &form);

// The text as a workbook stores it: control characters other than tab and line feed become
// the workbook's escape _xHHHH_, and an underscore that would start such an escape in the
// text itself is escaped as _x005F_, so that the text reads back unchanged.
std::string escapedText(std::string_view text);
// Whether escapedText would change the text.
bool needsEscapes(std::string_view text);

} // namespace elvaro::workbook
