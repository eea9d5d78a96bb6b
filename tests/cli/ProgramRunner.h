#pragma once

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace elvaro::testing {

// What a run of the built program left behind.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readAll(std::FILE *file)
{
    std::string content;
    std::rewind(file);
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        content.append(chunk, n);
    std::fclose(file);
    return content;
}

// Runs elvaro-q3 with `args` in `folder`, `input` on its standard input, files limited to
// `fileSizeLimit` bytes (as on a full disk) and its memory to `memoryLimit` bytes of address
// space (as on a machine out of memory) when they are given.
inline Outcome runProgram(const std::vector<std::string> &args, const std::string &folder,
                          const std::string &input = {}, rlim_t fileSizeLimit = RLIM_INFINITY,
                          rlim_t memoryLimit = RLIM_INFINITY)
{
    std::FILE *in = std::tmpfile();
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    Outcome outcome;
    if (!in || !out || !err)
        return outcome;
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    std::rewind(in);

    std::vector<char *> argv{const_cast<char *>(ELVARO_EXECUTABLE)};
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::fileno(in), STDIN_FILENO);
        ::dup2(::fileno(out), STDOUT_FILENO);
        ::dup2(::fileno(err), STDERR_FILENO);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        if (fileSizeLimit != RLIM_INFINITY) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (memoryLimit != RLIM_INFINITY) {
            const rlimit limit{memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = readAll(out);
    outcome.err = readAll(err);
    std::fclose(in);
    return outcome;
}

} // namespace elvaro::testing
