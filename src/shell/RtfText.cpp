#include "shell/RtfText.h"

#include <QStringList>

namespace elvaro::shell {

namespace {

// Groups whose content is not text of the document.
bool isSkippedDestination(QStringView word)
{
    static const QStringList destinations = {
        QStringLiteral("fonttbl"), QStringLiteral("colortbl"), QStringLiteral("stylesheet"),
        QStringLiteral("info"),    QStringLiteral("pict"),     QStringLiteral("header"),
        QStringLiteral("footer"),  QStringLiteral("generator"), QStringLiteral("listtable"),
        QStringLiteral("listoverridetable"), QStringLiteral("rsidtbl"), QStringLiteral("themedata"),
    };
    return destinations.contains(word.toString());
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

struct GroupState {
    bool skip = false;
    int unicodeSkip = 1; // \ucN: characters that stand in for each \u character
};

} // namespace

QString plainTextToRtf(const QString &text)
{
    QString rtf = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 ");
    rtf.reserve(rtf.size() + text.size() + text.size() / 8 + 4);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            rtf += QLatin1String("\\\\");
            break;
        case u'{':
            rtf += QLatin1String("\\{");
            break;
        case u'}':
            rtf += QLatin1String("\\}");
            break;
        case u'\n':
            rtf += QLatin1String("\\par\r\n");
            break;
        case u'\t':
            rtf += QLatin1String("\\tab ");
            break;
        default:
            if (c.unicode() < 0x80) {
                rtf += c;
            } else {
                // \u takes a signed 16-bit value; "?" stands in for readers without Unicode.
                rtf += QStringLiteral("\\u%1?").arg(static_cast<qint16>(c.unicode()));
            }
        }
    }
    rtf += u'}';
    return rtf;
}

std::optional<QString> rtfToPlainText(const QString &rtf)
{
    if (!rtf.startsWith(QLatin1String("{\\rtf")))
        return std::nullopt;

    QString text;
    QList<GroupState> groups;
    GroupState state;
    int pendingSkip = 0; // fallback characters still to drop after a \u character
    const qsizetype size = rtf.size();
    qsizetype i = 0;

    auto put = [&](QChar c) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!state.skip)
            text += c;
    };

    while (i < size) {
        const QChar c = rtf[i];
        if (c == u'{') {
            groups.append(state);
            pendingSkip = 0;
            ++i;
            continue;
        }
        if (c == u'}') {
            if (!groups.isEmpty())
                state = groups.takeLast();
            pendingSkip = 0;
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            ++i;
            continue;
        }
        if (c != u'\\') {
            put(c);
            ++i;
            continue;
        }

        // A control symbol or a control word.
        ++i;
        if (i >= size)
            break;
        const QChar symbol = rtf[i];
        if (!symbol.isLetter()) {
            ++i;
            switch (symbol.unicode()) {
            case u'\\':
            case u'{':
            case u'}':
                put(symbol);
                break;
            case u'~':
                put(QChar(0x00A0));
                break;
            case u'\r':
            case u'\n':
                put(u'\n');
                break;
            case u'*':
                state.skip = true;
                break;
            case u'\'':
                if (i + 1 < size && hexValue(rtf[i]) >= 0 && hexValue(rtf[i + 1]) >= 0) {
                    put(QChar(hexValue(rtf[i]) * 16 + hexValue(rtf[i + 1])));
                    i += 2;
                }
                break;
            default:
                break; // \- optional hyphen, \_ and others carry no text of their own
            }
            continue;
        }

        const qsizetype wordStart = i;
        while (i < size && rtf[i].isLetter())
            ++i;
        const QStringView word = QStringView(rtf).mid(wordStart, i - wordStart);
        const qsizetype numberStart = i;
        if (i < size && rtf[i] == u'-')
            ++i;
        while (i < size && rtf[i].isDigit())
            ++i;
        bool hasNumber = false;
        const int number = QStringView(rtf).mid(numberStart, i - numberStart).toInt(&hasNumber);
        if (i < size && rtf[i] == u' ')
            ++i;

        if (word == u"par" || word == u"line") {
            put(u'\n');
        } else if (word == u"tab") {
            put(u'\t');
        } else if (word == u"uc" && hasNumber) {
            state.unicodeSkip = number;
        } else if (word == u"u" && hasNumber) {
            put(QChar(static_cast<char16_t>(static_cast<qint16>(number))));
            pendingSkip = state.unicodeSkip;
        } else if (isSkippedDestination(word)) {
            state.skip = true;
        }
    }
    return text;
}

} // namespace elvaro::shell
