#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs elvaro-q3 through the shell with the given arguments; standard error goes to a file.
ProgramRun runProgram(const std::string &arguments, const std::string &input = "")
{
    const auto dir = std::filesystem::temp_directory_path();
    const std::string errPath = (dir / ("elvaro-tree-err-" + std::to_string(::getpid()))).string();
    const std::string inPath = (dir / ("elvaro-tree-in-" + std::to_string(::getpid()))).string();
    std::ofstream(inPath, std::ios::binary) << input;
    const std::string command =
        std::string("'") + ELVARO_EXECUTABLE + "' " + arguments + " <'" + inPath + "' 2>'" + errPath + "'";
    ProgramRun run;
    FILE *pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        run.out.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    std::filesystem::remove(errPath);
    std::filesystem::remove(inPath);
    return run;
}

TEST(TreeCommand, PrintsTheWorkedExampleAsJson)
{
    const ProgramRun run = runProgram(std::string("tree '") + ELVARO_SAMPLES_DIR + "/worked-example.txt'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find(R"({"ExistSottoCelle": false, "Contenuto": " 21.5 ", "Bordato": true, "Larghezza": 8, )"
                           R"("IndexRiga": 0, "IndexChar": 11, "Altezza": 1, "SottoCelle": [)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.rfind("]}\n"), run.out.size() - 3);
}

TEST(TreeCommand, ReadsStandardInputAndEscapesControlCharacters)
{
    const ProgramRun run = runProgram("tree -", std::string("a\"b\\c\x0c") + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(R"("Contenuto": "a\"b\\c\u000c")"), std::string::npos) << run.out;
}

TEST(TreeCommand, MissingBorderMessagesGoToStandardErrorInOrder)
{
    // The outer box is reported before its inner text, with the nested box, is parsed.
    const ProgramRun run = runProgram("tree", "+------+\n| +--+ |\n| |a | |\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "Errore in riga 3, fine casella non trovata\nErrore in riga 2, fine casella non trovata\n");
}

TEST(TreeCommand, FailuresNameTheFileAndTheReason)
{
    struct Case {
        std::string arguments;
        std::string input;
        int exitCode;
        std::string errStart;
    };
    const std::string missing = "/nonexistent/elvaro/report.txt";
    std::string tooManyLines;
    for (int i = 0; i < 32767; ++i)
        tooManyLines += "x\n";
    for (const Case &c : {
             Case{"tree " + missing, "", 1, "elvaro-q3 tree: " + missing + ": No such file or directory\n"},
             Case{"tree /", "", 1, "elvaro-q3 tree: /: Is a directory\n"},
             Case{"tree -", tooManyLines, 1,
                  "elvaro-q3 tree: standard input: Overflow: the line number would be 32768"},
             Case{"tree a b", "", 2, "elvaro-q3 tree: unexpected argument 'b'\nUsage: elvaro-q3 tree"},
             Case{"tree --bogus", "", 2, "elvaro-q3 tree: unexpected argument '--bogus'\nUsage:"},
             Case{"frobnicate", "", 2, "elvaro-q3: unknown command 'frobnicate'"},
         }) {
        const ProgramRun run = runProgram(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.err.substr(0, c.errStart.size()), c.errStart) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

TEST(TreeCommand, HelpGoesToStandardOutput)
{
    const ProgramRun run = runProgram("tree --help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: elvaro-q3 tree [FILE|-]", 0), 0u);
}

} // namespace
