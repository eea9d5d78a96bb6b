#include "shell/Fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>

namespace elvaro::shell {

QFont sansSerifFont(qreal pointSize, bool bold)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont arialFont(qreal pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
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
