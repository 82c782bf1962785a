#include "bench/process_tools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace kw::bench {

double peakMemoryMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::stod(line.substr(6)) / 1024.0; // the value is in kB
    }
    return 0;
}

namespace {

// Closes a descriptor when the scope ends.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

std::optional<std::string> runThisProgram(const std::vector<std::string>& arguments)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> words{self};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int ends[2];
    if (::pipe(ends) != 0)
        return std::nullopt;
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    const std::filesystem::path errors =
        std::filesystem::temp_directory_path() / ("kw_bench_errors_" + std::to_string(::getpid()));
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addclose(actions.get(), readEnd.get());
    posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    if (posix_spawn(&child, self.c_str(), actions.get(), nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    writeEnd.reset();

    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
        if (got > 0)
            output.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!succeeded) {
        std::ifstream said(errors);
        std::cerr << std::string(std::istreambuf_iterator<char>(said), {});
    }
    std::filesystem::remove(errors);
    if (!succeeded)
        return std::nullopt;
    return output;
}

void writeKeywords(const std::filesystem::path& file, const std::vector<Text>& keywords)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const Text& keyword : keywords) {
        out << keyword;
        out.put('\0');
    }
}

std::vector<Text> readKeywords(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<Text> keywords;
    Text keyword;
    while (std::getline(in, keyword, '\0'))
        keywords.push_back(keyword);
    return keywords;
}

} // namespace kw::bench
