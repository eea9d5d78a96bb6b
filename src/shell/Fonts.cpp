#include "shell/Fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>

namespace elvaro::shell {

namespace {

// A proportional font of the family, falling back to the platform's sans-serif font.
QFont proportionalFont(const QString &family, qreal pointSize, bool bold)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont sansSerifFont(qreal pointSize, bool bold)
{
    return proportionalFont(QStringLiteral("Sans Serif"), pointSize, bold);
}

QFont arialFont(qreal pointSize, bool bold)
{
    return proportionalFont(QStringLiteral("Arial"), pointSize, bold);
}

bool charactersLineUp(const QFont &font)
{
    // Some monospaced fonts do not declare themselves fixed-pitch, so the widths decide.
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(u'M');
    for (const QChar c : QStringLiteral("il|-+ .0W"))
        if (!qFuzzyCompare(metrics.horizontalAdvance(c), width))
            return false;
    return width > 0;
}

QFont fixedPitchFont(qreal pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    for (const char *family : {"DejaVu Sans Mono", "Liberation Mono", "Courier New"}) {
        if (charactersLineUp(font))
            break;
        font = QFont(QLatin1String(family));
        font.setStyleHint(QFont::TypeWriter);
        font.setPointSizeF(pointSize);
    }
    font.setFixedPitch(true);
    return font;
}

} // namespace elvaro::shell
