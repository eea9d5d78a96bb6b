#include "ProgramRunner.h"

#include "cli/BufferedOutput.h"
#include "cli/TreeJson.h"
#include "export/ExportTestSupport.h"
#include "report/CCella.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace elvaro::testing {
namespace {

Outcome tree(const std::vector<std::string> &args, const std::string &input = {})
{
    std::vector<std::string> all{"tree"};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(all, ELVARO_SAMPLES_DIR, input);
}

TEST(TreeCommand, PrintsTheWorkedExampleAsJson)
{
    const Outcome run = tree({"worked-example.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find(R"({"ExistSottoCelle": false, "Contenuto": " 21.5 ", "Bordato": true, "Larghezza": 8, )"
                           R"("IndexRiga": 0, "IndexChar": 11, "Altezza": 1, "SottoCelle": [)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.rfind("]}\n"), run.out.size() - 3);
}

TEST(TreeCommand, ReadsStandardInputAndEscapesControlCharacters)
{
    const Outcome run = tree({"-"}, std::string("a\"b\\c\x0c") + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(R"("Contenuto": "a\"b\\c\u000c")"), std::string::npos) << run.out;
}

TEST(TreeJson, TextBeyondAsciiIsWrittenAsItIsAndDelIsEscaped)
{
    report::CCella root;
    root.setContenuto("21.5 \u00b0C \u2502\x7f");
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    cli::BufferedOutput out(::fileno(file));
    cli::writeTreeJson(root, out);
    ASSERT_TRUE(out.flush());
    EXPECT_NE(readAll(file).find(R"("Contenuto": "21.5 )"
                                 "\u00b0C \u2502"
                                 R"(\u007f")"),
              std::string::npos);
}

TEST(TreeCommand, MissingBorderMessagesGoToStandardErrorInOrder)
{
    // The outer box is reported before its inner text, with the nested box, is parsed.
    const Outcome run = tree({}, "+------+\n| +--+ |\n| |a | |\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "Errore in riga 3, fine casella non trovata\nErrore in riga 2, fine casella non trovata\n");
}

TEST(TreeCommand, UsageAndHelp)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string seeHelp = "\nRun 'elvaro-q3 tree --help' for usage.\n";
    for (const Case &c : {Case{{"a", "b"}, 2, "elvaro-q3 tree: unexpected argument 'b'" + seeHelp},
                          Case{{"--bogus"}, 2, "elvaro-q3 tree: unknown option '--bogus'" + seeHelp}}) {
        const Outcome run = tree(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    const Outcome unknown = runProgram({"frobnicate"}, ELVARO_SAMPLES_DIR);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("elvaro-q3: unknown command 'frobnicate'", 0), 0u);

    const Outcome help = tree({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: elvaro-q3 tree [FILE|-]", 0), 0u);
}

} // namespace
} // namespace elvaro::testing
