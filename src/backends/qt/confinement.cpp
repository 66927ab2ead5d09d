#include "confinement.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

// Debian 12's kernel headers describe Landlock only up to ABI 2. The later rights are defined here
// by hand, with the values that the kernel's own header gives them.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14) // ABI 3
#endif
#ifndef LANDLOCK_ACCESS_NET_BIND_TCP
#define LANDLOCK_ACCESS_NET_BIND_TCP (1ULL << 0) // ABI 4
#define LANDLOCK_ACCESS_NET_CONNECT_TCP (1ULL << 1) // ABI 4
#endif

namespace confinement {

namespace {

    // The ruleset attributes as ABI 4 lays them out; the headers' struct stops before the network
    // field. An older kernel accepts the longer struct as long as the fields it does not know are 0.
    struct RulesetAttr
    {
        std::uint64_t handledAccessFs;
        std::uint64_t handledAccessNet;
    };

    // Everything that changes the file system, and running a file.
    constexpr std::uint64_t refusedFsAbi1 = LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE
        | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR
        | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_SOCK
        | LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;

    void addProblem(Outcome& outcome, const std::string& problem)
    {
        outcome.problem += (outcome.problem.empty() ? "" : "; ") + problem;
    }

    std::string errorText(const char* what, int error)
    {
        return std::string(what) + ": " + std::strerror(error);
    }

    // A ruleset that handles the refused rights and grants none of them anywhere: no rule is added.
    void restrictWithLandlock(Outcome& outcome)
    {
        const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
        if (abi < 0) {
            addProblem(outcome,
                errno == EOPNOTSUPP ? "Landlock è disattivato in questo kernel"
                                    : "il kernel non offre Landlock");
            return;
        }
        outcome.landlockAbi = static_cast<int>(abi);
        RulesetAttr attr { refusedFsAbi1, 0 };
        if (outcome.landlockAbi >= 2)
            attr.handledAccessFs |= LANDLOCK_ACCESS_FS_REFER;
        if (outcome.landlockAbi >= 3)
            attr.handledAccessFs |= LANDLOCK_ACCESS_FS_TRUNCATE;
        if (outcome.landlockAbi >= 4)
            attr.handledAccessNet = LANDLOCK_ACCESS_NET_BIND_TCP | LANDLOCK_ACCESS_NET_CONNECT_TCP;

        const long ruleset = syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0);
        if (ruleset < 0) {
            addProblem(outcome, errorText("landlock_create_ruleset", errno));
            return;
        }
        const int fd = static_cast<int>(ruleset);
        // Binds this thread and every thread and process it starts from now on. The threads that
        // Qt has already started are held by the seccomp filter only.
        const bool restricted = syscall(SYS_landlock_restrict_self, fd, 0) == 0;
        const int error = errno;
        close(fd);
        if (!restricted) {
            addProblem(outcome, errorText("landlock_restrict_self", error));
            return;
        }
        outcome.fileSystem = true;
        outcome.tcp = attr.handledAccessNet != 0;
    }

    void restrictWithSeccomp(Outcome& outcome)
    {
        // Every refusal is an error number: a library that tries one of these sees it fail and
        // carries on. Allowing by default keeps the filter to what the program gives up.
        scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
        if (!filter) {
            addProblem(outcome, "seccomp_init non riuscita");
            return;
        }
        const std::uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
        int failed = 0;
        auto rule = [&](int result) {
            if (result < 0 && failed == 0)
                failed = result;
        };
        // The same filter on every thread of the process, those that Qt runs already included.
        rule(seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1));
        // A system call of another ABI (i386 or x32) could slip past rules written for x86-64
        // numbers; it is refused as a call the kernel does not have.
        rule(seccomp_attr_set(filter, SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_ERRNO(ENOSYS)));

        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(socket), 1, SCMP_A0(SCMP_CMP_NE, AF_UNIX)));
        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(socketpair), 1, SCMP_A0(SCMP_CMP_NE, AF_UNIX)));
        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(execve), 0));
        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(execveat), 0));
        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(fork), 0));
        rule(seccomp_rule_add(filter, refuse, SCMP_SYS(vfork), 0));
        rule(seccomp_rule_add(
            filter, refuse, SCMP_SYS(clone), 1, SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)));
        // clone3 passes its flags in memory, where a filter cannot look. Without clone3, glibc
        // starts its threads with clone, whose flags the rule above checks.
        rule(seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0));
        // io_uring opens sockets without the socket system call, out of the filter's sight.
        rule(seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(io_uring_setup), 0));

        if (failed == 0)
            rule(seccomp_load(filter));
        seccomp_release(filter);
        if (failed < 0) {
            addProblem(outcome, errorText("seccomp", -failed));
            return;
        }
        outcome.seccomp = true;
    }

}

Outcome confineSelf()
{
    Outcome outcome;
    // Landlock and seccomp both require that the process can never gain privileges again, for
    // instance through a set-user-id program.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        addProblem(outcome, errorText("PR_SET_NO_NEW_PRIVS", errno));
        return outcome;
    }
    restrictWithLandlock(outcome);
    restrictWithSeccomp(outcome);
    return outcome;
}

std::string describe(const Outcome& outcome)
{
    std::string text = outcome.complete()       ? "confinato"
        : outcome.fileSystem || outcome.seccomp ? "confinato solo in parte"
                                                : "non confinato";
    text += ": ";
    if (outcome.fileSystem) {
        text += "Landlock ABI " + std::to_string(outcome.landlockAbi) + ", file system in sola lettura";
        text += outcome.tcp ? ", TCP rifiutato" : "";
    } else {
        text += "file system scrivibile";
    }
    text += outcome.seccomp ? "; seccomp: solo socket Unix, nessun programma, nessun processo"
                            : "; nessun filtro seccomp";
    if (!outcome.problem.empty())
        text += " (" + outcome.problem + ")";
    return text;
}

}
