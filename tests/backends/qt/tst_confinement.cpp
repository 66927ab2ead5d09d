// The program's confinement, tried for real: a child process confines itself exactly as the program
// does and then tries what the program gives up (changing the file system, using the network,
// running a program, starting a process) and what it still needs (reading files, Unix sockets,
// threads). The parent stays unconfined, so that it can remove the folder that the child was
// refused to write in.
//
//   tst_confinement [allowed | files | truncation | system-calls]
//
// One group of checks, or all of them: what the program still may do, the file system under
// Landlock, truncation (Landlock ABI 3), and the system calls that seccomp refuses. Each group
// confines a child of its own. Exit status 0 when every check that ran passed, 1 when one failed,
// 77 (reported as skipped) only when the kernel lacked what every check asked for; the checks
// that ran and those skipped are listed either way, so CTest runs each group as a test of its own.

#include "confinement.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/landlock.h>

extern char** environ;

namespace {

constexpr int skipped = 77;

// Each attempt returns 0 when it succeeded, else the error number.
using Attempt = std::function<int()>;

int result(long returned)
{
    return returned < 0 ? errno : 0;
}

int openAndClose(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

int openSocket(int family, int type)
{
    const int fd = socket(family, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

int unixSocketPairCarriesAByte()
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return errno;
    char received = 0;
    const bool carried = write(pair[0], "x", 1) == 1 && read(pair[1], &received, 1) == 1 && received == 'x';
    close(pair[0]);
    close(pair[1]);
    return carried ? 0 : EIO;
}

int spawnTrue()
{
    pid_t pid = 0;
    char name[] = "true";
    char* arguments[] = { name, nullptr };
    const int error = posix_spawn(&pid, "/bin/true", nullptr, nullptr, arguments, environ);
    if (error == 0)
        waitpid(pid, nullptr, 0);
    return error;
}

int forkProcess()
{
    const pid_t pid = fork();
    if (pid < 0)
        return errno;
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return 0;
}

// /bin/false, so that an exec that did happen ends this check with status 1, a failure.
int execFalse()
{
    char name[] = "false";
    char* arguments[] = { name, nullptr };
    execve("/bin/false", arguments, environ);
    return errno;
}

int runThread()
{
    bool ran = false;
    std::thread([&] { ran = true; }).join();
    return ran ? 0 : EIO;
}

int readBack(const std::string& path)
{
    char buffer[16] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const ssize_t length = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    return length > 0 && std::strcmp(buffer, "contents") == 0 ? 0 : EIO;
}

// A thread that exists before the confinement and only afterwards tries to open an Internet
// socket: Qt's threads are started before the program confines itself.
class EarlierThread
{
public:
    EarlierThread()
        : m_thread([this] {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_go; });
            m_error = openSocket(AF_INET, SOCK_STREAM);
        })
    {
    }
    int tryInternetSocket()
    {
        {
            std::lock_guard lock(m_mutex);
            m_go = true;
        }
        m_wake.notify_one();
        m_thread.join();
        return m_error;
    }
    // A group that does not try the socket still lets the thread end.
    ~EarlierThread()
    {
        if (m_thread.joinable())
            tryInternetSocket();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_go = false;
    int m_error = 0;
    std::thread m_thread;
};

struct Report
{
    int failed = 0;
    int ran = 0;
    int skippedChecks = 0;

    void expect(const char* what, bool ok, const std::string& detail)
    {
        std::printf("%s - %s%s\n", ok ? "ok" : "FAIL", what, detail.c_str());
        failed += ok ? 0 : 1;
        ++ran;
    }
    void refused(const char* what, const Attempt& attempt)
    {
        const int error = attempt();
        expect(
            what, error != 0, error != 0 ? std::string(" (") + std::strerror(error) + ")" : ": it succeeded");
    }
    void works(const char* what, const Attempt& attempt)
    {
        const int error = attempt();
        expect(what, error == 0, error == 0 ? "" : std::string(": ") + std::strerror(error));
    }
    void skip(const char* what, const char* why)
    {
        std::printf("SKIP - %s: %s\n", what, why);
        ++skippedChecks;
    }
};

int kernelLandlockAbi()
{
    const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi < 0 ? 0 : static_cast<int>(abi);
}

int confineAndCheck(const std::string& folder, std::string_view group)
{
    const auto wanted = [group](std::string_view name) { return group.empty() || group == name; };
    const std::string existing = folder + "/existing";
    // What the kernel offers, found out independently of the code under test, so that a
    // confinement that fails where the kernel could do it is a failure and not a skip.
    const int abi = kernelLandlockAbi();
    const bool seccompAvailable = prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
    EarlierThread earlierThread;

    const confinement::Outcome outcome = confinement::confineSelf();
    std::printf("# %s\n", confinement::describe(outcome).c_str());

    Report report;
    if (wanted("allowed")) {
        report.works("reading a file", [&] { return readBack(existing); });
        report.works("opening an AF_UNIX socket", [] { return openSocket(AF_UNIX, SOCK_STREAM); });
        report.works("talking over an AF_UNIX socket pair", unixSocketPairCarriesAByte);
        report.works("starting a thread", runThread);
    }
    if (wanted("files") && abi == 0)
        report.skip("the file-system checks",
            "this kernel has no Landlock, the program runs with a writable file system");
    if (wanted("files") && abi > 0) {
        report.expect("Landlock is applied", outcome.fileSystem, "");
        report.expect("TCP is handled where Landlock has ABI 4", outcome.tcp == (abi >= 4), "");
        report.refused("creating a file", [&] { return openAndClose(folder + "/new", O_WRONLY | O_CREAT); });
        report.refused("opening a file for writing", [&] { return openAndClose(existing, O_WRONLY); });
        report.refused("making a folder", [&] { return result(mkdir((folder + "/sub").c_str(), 0700)); });
        report.refused(
            "making a named pipe", [&] { return result(mkfifo((folder + "/fifo").c_str(), 0600)); });
        report.refused(
            "making a symbolic link", [&] { return result(symlink("existing", (folder + "/sym").c_str())); });
        report.refused(
            "making a hard link", [&] { return result(link(existing.c_str(), (folder + "/hard").c_str())); });
        report.refused(
            "renaming a file", [&] { return result(rename(existing.c_str(), (folder + "/moved").c_str())); });
        report.refused("removing a file", [&] { return result(unlink(existing.c_str())); });
    }
    if (wanted("truncation") && abi < 3)
        report.skip("truncating a file", "Landlock handles truncation from ABI 3");
    if (wanted("truncation") && abi >= 3)
        report.refused("truncating a file", [&] { return result(truncate(existing.c_str(), 0)); });
    if (wanted("system-calls") && !seccompAvailable)
        report.skip("the system-call checks", "this kernel has no seccomp");
    if (wanted("system-calls") && seccompAvailable) {
        report.expect("the seccomp filter is applied", outcome.seccomp, "");
        report.refused("opening an AF_INET socket", [] { return openSocket(AF_INET, SOCK_STREAM); });
        report.refused("opening an AF_INET6 socket", [] { return openSocket(AF_INET6, SOCK_DGRAM); });
        report.refused("opening an AF_NETLINK socket", [] { return openSocket(AF_NETLINK, SOCK_RAW); });
        report.refused("opening an AF_INET socket from a thread started before",
            [&] { return earlierThread.tryInternetSocket(); });
        report.refused("running /bin/true", spawnTrue);
        report.refused("starting a process with fork", forkProcess);
        report.refused("replacing the program with execve", execFalse);
    }

    std::printf("# %d checks ran, %d skipped\n", report.ran, report.skippedChecks);
    if (report.failed > 0)
        return 1;
    return report.ran == 0 ? skipped : 0;
}

}

int main(int argc, char* argv[])
{
    const std::string_view group = argc > 1 ? argv[1] : "";
    if (argc > 2 || (argc == 2 && group != "allowed" && group != "files" && group != "truncation"
                        && group != "system-calls")) {
        std::fprintf(stderr, "usage: tst_confinement [allowed | files | truncation | system-calls]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "tst_confinement.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    if (FILE* file = std::fopen((folder + "/existing").c_str(), "w")) {
        std::fputs("contents", file);
        std::fclose(file);
    }
    std::fflush(stdout);

    const pid_t child = fork();
    if (child == 0) {
        const int status = confineAndCheck(folder, group);
        std::fflush(stdout);
        _exit(status);
    }
    int status = 1;
    if (child < 0 || waitpid(child, &status, 0) != child)
        std::perror("fork");
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (!WIFEXITED(status)) {
        std::printf("FAIL - the confined child ended abnormally\n");
        return 1;
    }
    return WEXITSTATUS(status);
}
