#include "renderer/RendererSandbox.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <linux/sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>

namespace {

// Rules added one by one; the first that fails is kept as the filter's failure.
struct Filter {
    scmp_filter_ctx context = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    int failed = 0;
    ~Filter() { seccomp_release(context); }
    void check(int result) {
        if (failed == 0) {
            failed = result;
        }
    }
    void allow(int call) { check(seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 0)); }
    void allow(int call, scmp_arg_cmp condition) {
        check(seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1, condition));
    }
};

// A condition on one of a call's arguments, every field given (the library's SCMP_A0...
// macros leave the second value to a default).
scmp_arg_cmp argument(unsigned int index, scmp_compare op, scmp_datum_t value,
                      scmp_datum_t masked = 0) {
    return scmp_arg_cmp{index, op, value, masked};
}

// What the renderer needs once it runs: its pipes, memory, threads, time and signals.
void allowAll(Filter& filter, int input, int output) {
    for (int call : {SCMP_SYS(brk),
                     SCMP_SYS(munmap),
                     SCMP_SYS(mremap),
                     SCMP_SYS(madvise),
                     SCMP_SYS(futex),
                     SCMP_SYS(set_robust_list),
                     SCMP_SYS(rseq),
                     SCMP_SYS(sched_yield),
                     SCMP_SYS(sched_getaffinity),
                     SCMP_SYS(getrandom),
                     SCMP_SYS(clock_gettime),
                     SCMP_SYS(clock_nanosleep),
                     SCMP_SYS(nanosleep),
                     SCMP_SYS(gettimeofday),
                     SCMP_SYS(rt_sigaction),
                     SCMP_SYS(rt_sigprocmask),
                     SCMP_SYS(rt_sigreturn),
                     SCMP_SYS(sigaltstack),
                     SCMP_SYS(getpid),
                     SCMP_SYS(gettid),
                     SCMP_SYS(tgkill),
                     SCMP_SYS(close),
                     SCMP_SYS(exit),
                     SCMP_SYS(exit_group)}) {
        filter.allow(call);
    }
    // Its own pipes only.
    filter.allow(SCMP_SYS(read), argument(0, SCMP_CMP_EQ, scmp_datum_t(input)));
    filter.allow(SCMP_SYS(write), argument(0, SCMP_CMP_EQ, scmp_datum_t(output)));
    filter.allow(SCMP_SYS(write), argument(0, SCMP_CMP_EQ, 2)); // diagnostics
    // Memory, but never executable.
    filter.allow(SCMP_SYS(mmap), argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    filter.allow(SCMP_SYS(mprotect), argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    // Threads, not processes; clone3 says it does not exist, so the C library uses clone,
    // whose flags a filter can see.
    filter.allow(SCMP_SYS(clone), argument(0, SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
    filter.check(seccomp_rule_add(filter.context, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0));
    // A thread may name itself.
    filter.allow(SCMP_SYS(prctl), argument(0, SCMP_CMP_EQ, PR_SET_NAME));
}

} // namespace

bool RendererSandbox::enter(int input, int output, QString* error) {
    Filter filter;
    if (!filter.context) {
        *error = QStringLiteral("cannot make a seccomp filter");
        return false;
    }
    // Every thread, the reader too, is covered; no_new_privs is set by the library.
    filter.check(seccomp_attr_set(filter.context, SCMP_FLTATR_CTL_TSYNC, 1));
    allowAll(filter, input, output);
    if (filter.failed != 0) {
        *error = QStringLiteral("cannot build the seccomp filter: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(-filter.failed)));
        return false;
    }
    if (const int loaded = seccomp_load(filter.context); loaded != 0) {
        *error = QStringLiteral("the kernel refused the seccomp filter: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(-loaded)));
        return false;
    }
    return true;
}
