#include "shell/RtfText.h"

#include <QLatin1String>

#include <algorithm>
#include <iterator>

namespace elvaro::shell {

namespace {

// The start of the view's rich text: one fixed-pitch font at 10 pt.
const QString kHeader = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier "
                                       "New;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ");

// The characters that rich text writes as control symbols or words.
struct Escape {
    char16_t character;
    QLatin1String written;
};
constexpr Escape kEscapes[] = {
    {u'\\', QLatin1String("\\\\")},      {u'{', QLatin1String("\\{")},     {u'}', QLatin1String("\\}")},
    {u'\n', QLatin1String("\\par\r\n")}, {u'\t', QLatin1String("\\tab ")},
};

// Characters beyond ASCII are written "\uN?": N is the UTF-16 unit as a signed 16-bit number, "?"
// the stand-in for readers without Unicode.
const QLatin1String kUnicodeStart("\\u");
constexpr char16_t kUnicodeEnd = u'?';
constexpr char16_t kFirstBeyondAscii = 0x80;

} // namespace

QString plainTextToRtf(const QString &text)
{
    QString rtf = kHeader;
    rtf.reserve(rtf.size() + text.size() + text.size() / 8 + 4);
    for (const QChar c : text) {
        const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                         [c](const Escape &each) { return each.character == c; });
        if (escape != std::end(kEscapes))
            rtf += escape->written;
        else if (c.unicode() < kFirstBeyondAscii)
            rtf += c;
        else
            rtf += kUnicodeStart + QString::number(static_cast<qint16>(c.unicode())) + kUnicodeEnd;
    }
    rtf += u'}';
    return rtf;
}

std::optional<QString> rtfToPlainText(const QString &rtf)
{
    if (!rtf.startsWith(kHeader) || !rtf.endsWith(u'}'))
        return std::nullopt;
    const QStringView body = QStringView(rtf).sliced(kHeader.size(), rtf.size() - kHeader.size() - 1);
    QString text;
    text.reserve(body.size());
    for (qsizetype i = 0; i < body.size();) {
        if (body[i] != u'\\') {
            text += body[i++];
            continue;
        }
        const QStringView rest = body.sliced(i);
        const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                         [rest](const Escape &each) { return rest.startsWith(each.written); });
        if (escape != std::end(kEscapes)) {
            text += escape->character;
            i += escape->written.size();
            continue;
        }
        const qsizetype end = rest.indexOf(kUnicodeEnd);
        bool isNumber = false;
        const int unit = rest.startsWith(kUnicodeStart) && end > kUnicodeStart.size()
                             ? rest.sliced(kUnicodeStart.size(), end - kUnicodeStart.size()).toInt(&isNumber)
                             : 0;
        if (!isNumber)
            return std::nullopt;
        text += QChar(static_cast<char16_t>(static_cast<qint16>(unit)));
        i += end + 1;
    }
    return text;
}

} // namespace elvaro::shell
