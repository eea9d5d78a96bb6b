#include "ExportTestSupport.h"

#include "export/Application.h"
#include "export/FileError.h"
#include "export/WorkbookError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// What a piece of work done in a child process reported, and what it wrote on standard error.
struct ChildOutcome {
    std::string result;
    std::string err;
};

// Runs `work` in a child process with its own standard error; `work` returns its result as text.
ChildOutcome inChild(const std::function<std::string()> &work)
{
    int channel[2];
    std::FILE *err = std::tmpfile();
    if (::pipe(channel) != 0 || !err)
        throw std::runtime_error("cannot prepare the child process");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::dup2(::fileno(err), STDERR_FILENO);
        const std::string result = work();
        ::_exit(::write(channel[1], result.data(), result.size()) < 0);
    }
    ::close(channel[1]);
    ChildOutcome outcome;
    char chunk[512];
    for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;)
        outcome.result.append(chunk, static_cast<std::size_t>(n));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    std::rewind(err);
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, err)) > 0;)
        outcome.err.append(chunk, n);
    std::fclose(err);
    return outcome;
}

// The advice that ends every message about files that could not be written in full.
std::string spaceAdvice(const std::string &limit = {})
{
    if (limit.empty())
        return "; the disk may be full. Free some space, then try again";
    return "; the disk may be full, or the file larger than the file-size limit of " + limit
           + " bytes (ulimit -f). Free some space or raise the limit, then try again";
}

// A workbook of `rows` rows, each a text and a number, saved over a file "previous", with the
// system's temporary folder in "tmp".
class IncompleteWriteTest : public ::testing::Test {
protected:
    IncompleteWriteTest() { std::filesystem::create_directory(temporary); }

    void fill(std::int32_t rows)
    {
        sheet.setName("Downloaded");
        for (std::int32_t row = 1; row <= rows; ++row) {
            sheet.Cells().Item(row, 1).setValue("a text that makes the file larger " + std::to_string(row));
            sheet.Cells().Item(row, 2).setValue(std::to_string(row) + ".25");
        }
    }

    // Saves in the child process, after `prepare` (which returns why it could not prepare, or
    // nothing); the result is the error message, "file: " before that of a FileError, or "saved".
    ChildOutcome save(const std::string &path, const std::function<std::string()> &prepare)
    {
        return inChild([&] {
            if (const std::string problem = prepare(); !problem.empty())
                return "cannot prepare: " + problem;
            ::setenv("TMPDIR", temporary.c_str(), 1);
            try {
                workbook.SaveAs(path);
            } catch (const excel::WorkbookError &error) {
                return std::string(error.what());
            } catch (const excel::FileError &error) {
                return "file: " + std::string(error.what());
            }
            return std::string("saved");
        });
    }

    void expectNothingLeft(const std::string &name)
    {
        EXPECT_EQ(contentOf(folder.file(name)), "previous");
        EXPECT_THAT(folder.names(), ElementsAre(name, "tmp"));
        EXPECT_THAT(temporaryNames(), IsEmpty());
    }

    std::vector<std::string> temporaryNames() const
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(temporary))
            found.push_back(entry.path().filename().string());
        return found;
    }

    excel::Application application;
    excel::Workbook &workbook = application.Workbooks().Add();
    excel::Worksheet &sheet = workbook.Sheets().Add();
    TemporaryFolder folder;
    const std::string temporary = folder.file("tmp");
};

struct SizeLimit {
    const char *name;
    const char *output;
    rlim_t limit;
    std::int32_t rows;
    const char *failure;
};

void PrintTo(const SizeLimit &limit, std::ostream *out)
{
    *out << limit.name;
}

class FileSizeLimitTest : public IncompleteWriteTest, public ::testing::WithParamInterface<SizeLimit> {};

// Files that may not grow past the limit, as on a full disk: the write fails as a whole, with one
// message of ours and nothing of the writer's own on standard error.
TEST_P(FileSizeLimitTest, FailsWithOneMessageAndLeavesThePreviousFileAlone)
{
    const SizeLimit &limit = GetParam();
    fill(limit.rows);
    std::ofstream(folder.file(limit.output)) << "previous";
    const ChildOutcome outcome = save(folder.file(limit.output), [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{limit.limit, limit.limit};
        return ::setrlimit(RLIMIT_FSIZE, &small) == 0 ? std::string() : std::string(std::strerror(errno));
    });
    const std::string advice =
        std::string(limit.output).ends_with(".csv") ? "" : spaceAdvice(std::to_string(limit.limit));
    EXPECT_EQ(outcome.result, limit.failure + advice);
    EXPECT_EQ(outcome.err, "");
    expectNothingLeft(limit.output);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileSizeLimitTest,
    ::testing::Values(
        // The packed file itself passes the limit.
        SizeLimit{"PackedFile", "out.xlsx", 4096, 2000, "cannot write the workbook: writing the file failed"},
        // The writer's own temporary copy of the sheet is cut at the limit; the packed file fits.
        SizeLimit{"SheetPart", "out.xlsx", 20480, 3000,
                  "cannot write the workbook: its part xl/worksheets/sheet1.xml came out incomplete"},
        SizeLimit{"Csv", "out.csv", 4096, 2000, "file: cannot write the file: File too large"}),
    [](const ::testing::TestParamInfo<SizeLimit> &info) { return std::string(info.param.name); });

// Makes `folder` a tmpfs of 16 KiB in a mount namespace of this process alone, puts `previous`
// into out.xlsx there when given, and fills it. Returns why it could not, or nothing.
std::string mountFullFolder(const std::string &folder, const std::string &previous = {})
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return std::string("no mount namespace of its own: ") + std::strerror(errno);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("the mounts cannot be made private: ") + std::strerror(errno);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") != 0)
        return std::string("no tmpfs can be mounted: ") + std::strerror(errno);
    if (!previous.empty())
        std::ofstream(folder + "/out.xlsx") << previous;
    const int filler = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const std::string block(4096, 'x');
    while (filler >= 0 && ::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);
    return {};
}

// The writer's parts go beside the output: a full system temporary folder does not spoil them.
TEST_F(IncompleteWriteTest, AFullTemporaryFolderDoesNotStopTheWrite)
{
    fill(3);
    std::ofstream(folder.file("out.xlsx")) << "previous";
    const ChildOutcome outcome = save(folder.file("out.xlsx"), [&] { return mountFullFolder(temporary); });
    if (outcome.result.starts_with("cannot prepare: "))
        GTEST_SKIP() << "A full folder cannot be made here: " << outcome.result.substr(16);
    EXPECT_EQ(outcome.result, "saved");
    EXPECT_EQ(readWorkbook(folder.file("out.xlsx")).cells.at("B3"), "n 3.25");
}

// A full disk under the output: the packed file cannot be written, and the folder is left as it
// was.
TEST_F(IncompleteWriteTest, AFullOutputFolderFailsTheWriteAndIsLeftAsItWas)
{
    fill(3);
    const std::string full = folder.file("full");
    std::filesystem::create_directory(full);
    const ChildOutcome outcome = inChild([&] {
        if (const std::string problem = mountFullFolder(full, "previous"); !problem.empty())
            return "cannot prepare: " + problem;
        std::string result;
        try {
            workbook.SaveAs(full + "/out.xlsx");
            result = "saved";
        } catch (const excel::WorkbookError &error) {
            result = error.what();
        }
        // The tmpfs goes with the child: what it holds is told from here.
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(full))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string &name : names)
            result += "\n" + name;
        return result + "\n" + contentOf(full + "/out.xlsx");
    });
    if (outcome.result.starts_with("cannot prepare: "))
        GTEST_SKIP() << "A full folder cannot be made here: " << outcome.result.substr(16);
    EXPECT_EQ(outcome.result,
              "cannot write the workbook: writing the file failed" + spaceAdvice() + "\nfiller\nout.xlsx\nprevious");
    EXPECT_EQ(outcome.err, "");
}

TEST_F(IncompleteWriteTest, ASuccessfulWriteLeavesNoWorkingFolderAndNoMessage)
{
    fill(3);
    std::ofstream(folder.file("out.xlsx")) << "previous";
    const ChildOutcome outcome = save(folder.file("out.xlsx"), [] { return std::string(); });
    EXPECT_EQ(outcome.result, "saved");
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(contentOf(folder.file("out.xlsx")), "previous");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "tmp"));
    EXPECT_THAT(temporaryNames(), IsEmpty());
}

TEST_F(IncompleteWriteTest, AMissingTemporaryFolderDoesNotStopTheWrite)
{
    fill(3);
    std::filesystem::remove(temporary);
    const ChildOutcome outcome = save(folder.file("out.xlsx"), [] { return std::string(); });
    EXPECT_EQ(outcome.result, "saved");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx"));
}

} // namespace
} // namespace elvaro::testing
