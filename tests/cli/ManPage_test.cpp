#include "ProgramRunner.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace {

using elvaro::testing::runProgram;

// The options a text names: words that start with one or two dashes and a letter, not inside a
// word ("line-drawing", "Ctrl-C").
QSet<QString> optionsIn(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
    QSet<QString> found;
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        found.insert(match.captured());
    return found;
}

// The options in order, in one readable line.
std::string sorted(const QSet<QString> &set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list.join(u' ').toStdString();
}

// The manual page's parts as plain text: "OPTIONS" (the desktop program's), and one part per
// command, named by the first word of its subsection title.
QMap<QString, QString> manualParts()
{
    QFile file(QStringLiteral(ELVARO_MAN_PAGE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QString source = QString::fromUtf8(file.readAll());
    static const QRegularExpression fontChange(QStringLiteral("\\\\f[BIRP]"));
    source.replace(QLatin1String("\\-"), QLatin1String("-")).remove(fontChange);

    QMap<QString, QString> parts;
    QString current;
    bool inCommands = false;
    for (const QString &line : source.split(u'\n')) {
        if (line.startsWith(QLatin1String(".SH "))) {
            const QString title = line.mid(4).trimmed();
            inCommands = title == QLatin1String("COMMANDS");
            current = title == QLatin1String("OPTIONS") ? title : QString();
        } else if (line.startsWith(QLatin1String(".SS ")) && inCommands) {
            current = line.mid(4).remove(u'"').trimmed().section(u' ', 0, 0);
        } else if (!current.isEmpty()) {
            parts[current] += line + u'\n';
        }
    }
    return parts;
}

QString help(const std::vector<std::string> &args)
{
    const auto outcome = runProgram(args, ".");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    return QString::fromStdString(outcome.out);
}

} // namespace

// The manual page describes the commands and options --help lists, no more and no fewer.
TEST(ManPage, MatchesTheHelpOfTheProgramAndOfEachCommand)
{
    const QMap<QString, QString> parts = manualParts();
    const QString programHelp = help({"--help"});
    const QString commandList =
        programHelp.section(QStringLiteral("Commands"), 1).section(QStringLiteral("\n\n"), 0, 0);
    static const QRegularExpression commandLine(QStringLiteral("^  ([a-z]+) "), QRegularExpression::MultilineOption);
    QStringList commands;
    for (const QRegularExpressionMatch &match : commandLine.globalMatch(commandList))
        commands.append(match.captured(1));
    ASSERT_FALSE(commands.isEmpty()) << programHelp.toStdString();

    QStringList described = parts.keys();
    described.removeAll(QStringLiteral("OPTIONS"));
    QStringList listed = commands;
    listed.sort();
    EXPECT_EQ(described.join(u' ').toStdString(), listed.join(u' ').toStdString())
        << "the commands of the manual page and of --help";

    EXPECT_EQ(sorted(optionsIn(parts.value(QStringLiteral("OPTIONS")))), sorted(optionsIn(programHelp)))
        << "the desktop program's options";
    for (const QString &command : commands) {
        // Every command takes -h and --help; the manual page says so once.
        QSet<QString> manual = optionsIn(parts.value(command));
        QSet<QString> usage = optionsIn(help({command.toStdString(), "--help"}));
        for (const QString &helpOption : {QStringLiteral("-h"), QStringLiteral("--help")}) {
            manual.remove(helpOption);
            usage.remove(helpOption);
        }
        EXPECT_EQ(sorted(manual), sorted(usage)) << command.toStdString();
    }
}
