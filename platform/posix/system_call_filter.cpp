// The filter is a classic BPF program over the call number and arguments. It is built from an
// allow-list rather than a list of known dangers: a call that a later kernel adds (and that a
// deny-list would not know) is refused too. Calls outside the list fail with ENOSYS, as on a
// kernel that lacks them, so that the C library takes its older paths where it has any; the calls
// that could reach past the process (new programs and processes, sockets, debugging of other
// processes, mounts and namespaces, keyrings, BPF and performance counters) fail with EPERM.
#include "platform/posix/system_call_filter.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/error_codes.h"

namespace zel::platform {

namespace {

#if defined(__x86_64__)
constexpr uint32_t kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kArchitecture = AUDIT_ARCH_AARCH64;
#else
#define ZEL_NO_SYSTEM_CALL_FILTER
#endif

#ifndef ZEL_NO_SYSTEM_CALL_FILTER

constexpr uint32_t kAllow = SECCOMP_RET_ALLOW;
// Another architecture's calling convention, or x86-64's x32 numbers: nothing in the host makes
// such calls, so their use means the process is no longer running its own code.
constexpr uint32_t kKill = SECCOMP_RET_KILL_PROCESS;

constexpr uint32_t Fail(int code) { return SECCOMP_RET_ERRNO | (code & SECCOMP_RET_DATA); }

// Calls the host makes with any arguments: files (the file-access rules decide which), memory,
// threads and their synchronisation, signals, time, and waiting.
// clang-format off
constexpr int kAllowed[] = {
    SYS_read, SYS_write, SYS_readv, SYS_writev, SYS_pread64, SYS_pwrite64, SYS_preadv,
    SYS_pwritev, SYS_preadv2, SYS_pwritev2, SYS_lseek, SYS_close, SYS_dup, SYS_dup3, SYS_fstat,
    SYS_newfstatat, SYS_statx, SYS_fstatfs, SYS_statfs, SYS_faccessat, SYS_faccessat2,
    SYS_readlinkat, SYS_getdents64, SYS_getcwd, SYS_mkdirat, SYS_unlinkat, SYS_renameat,
    SYS_renameat2, SYS_ftruncate, SYS_fallocate, SYS_fsync, SYS_fdatasync, SYS_fadvise64,
    SYS_umask,
    // A pipe within the process: the sanitizers test whether memory is readable through one.
    SYS_pipe2,
    // Memory; mmap and mprotect have rules of their own below.
    SYS_munmap, SYS_mremap, SYS_madvise, SYS_brk, SYS_msync,
    // Threads and their synchronisation.
    SYS_futex, SYS_futex_waitv, SYS_set_robust_list, SYS_rseq, SYS_sched_yield,
    SYS_sched_getaffinity, SYS_exit, SYS_exit_group, SYS_restart_syscall,
    // Signals, for the crash handlers and the C library's own use.
    SYS_rt_sigaction, SYS_rt_sigprocmask, SYS_rt_sigreturn, SYS_sigaltstack, SYS_rt_sigpending,
    SYS_rt_sigsuspend, SYS_rt_sigtimedwait,
    // Identity, time, timers and figures about the machine.
    SYS_getpid, SYS_gettid, SYS_getppid, SYS_getuid, SYS_geteuid, SYS_getgid, SYS_getegid,
    SYS_clock_gettime, SYS_clock_getres, SYS_clock_nanosleep, SYS_nanosleep, SYS_gettimeofday,
    SYS_times, SYS_timer_create, SYS_timer_settime, SYS_timer_gettime, SYS_timer_getoverrun,
    SYS_timer_delete, SYS_timerfd_create, SYS_timerfd_settime, SYS_timerfd_gettime,
    SYS_setitimer, SYS_getitimer, SYS_getrandom, SYS_uname, SYS_sysinfo, SYS_getrusage,
    // Waiting for the viewer: its process descriptor or the inherited pipe.
    SYS_pidfd_open, SYS_ppoll, SYS_pselect6,
#ifdef SYS_open
    // The older forms that the C library on x86-64 still uses for some of its functions.
    SYS_stat, SYS_lstat, SYS_access, SYS_readlink, SYS_mkdir, SYS_rmdir, SYS_unlink, SYS_rename,
    SYS_dup2, SYS_pipe, SYS_poll, SYS_select, SYS_time, SYS_alarm,
#endif
};

// Calls that would reach past the process.
constexpr int kRefused[] = {
    SYS_execve, SYS_execveat,
#ifdef SYS_fork
    SYS_fork, SYS_vfork,
#endif
    SYS_ptrace, SYS_process_vm_writev, SYS_pidfd_send_signal, SYS_pidfd_getfd,
    SYS_socket, SYS_socketpair, SYS_connect, SYS_bind, SYS_listen, SYS_accept, SYS_accept4,
    SYS_mount, SYS_umount2, SYS_pivot_root, SYS_chroot, SYS_unshare, SYS_setns, SYS_open_tree,
    SYS_move_mount, SYS_fsopen, SYS_fsconfig, SYS_fsmount, SYS_fspick, SYS_mount_setattr,
    SYS_add_key, SYS_request_key, SYS_keyctl, SYS_bpf, SYS_perf_event_open,
};
// clang-format on

// A thread shares everything with the process; these flags would give it something of its own.
constexpr uint32_t kNamespaceFlags = CLONE_NEWNS | CLONE_NEWCGROUP | CLONE_NEWUTS | CLONE_NEWIPC |
                                     CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET | CLONE_PTRACE;

class FilterBuilder {
 public:
  const std::vector<sock_filter>& program() const { return program_; }

  // Kills the process for a call made in another architecture's convention, then loads the call
  // number, which stays in the accumulator for every rule below: a rule that loads an argument
  // always ends in a return.
  void Start() {
    Add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 1, 0));
    Add(BPF_STMT(BPF_RET | BPF_K, kKill));
    Add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
#if defined(__x86_64__)
    Add(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, __X32_SYSCALL_BIT, 0, 1));
    Add(BPF_STMT(BPF_RET | BPF_K, kKill));
#endif
  }

  void Return(int call, uint32_t action) {
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call), 0, 1));
    Add(BPF_STMT(BPF_RET | BPF_K, action));
  }

  // Allows `call` when its argument `index` is one of `values`, else fails it with `code`. Only
  // the argument's low 32 bits are compared: every argument checked here is an int (a process id,
  // a command, an option), of which the kernel reads no more.
  void AllowIfArgumentIn(int call, int index, std::initializer_list<uint32_t> values, int code) {
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call), 0,
                 static_cast<uint8_t>(2 + 2 * values.size())));
    LoadArgument(index);
    for (const uint32_t value : values) {
      Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, 0, 1));
      Add(BPF_STMT(BPF_RET | BPF_K, kAllow));
    }
    Add(BPF_STMT(BPF_RET | BPF_K, Fail(code)));
  }

  // clone is allowed for threads only: a new process, or a thread in namespaces of its own, fails.
  void AllowThreadClone() {
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_clone, 0, 5));
    LoadArgument(0);
    Add(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 0, 2));
    Add(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kNamespaceFlags, 1, 0));
    Add(BPF_STMT(BPF_RET | BPF_K, kAllow));
    Add(BPF_STMT(BPF_RET | BPF_K, Fail(EPERM)));
  }

  // Opening with O_TRUNC but without write access truncates a file that is writable to the user
  // even where the file-access rules grant reading only (they govern truncation only from their
  // third version on).
  void AllowOpenWithoutReadOnlyTruncation(int call, int flagsIndex) {
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call), 0, 5));
    LoadArgument(flagsIndex);
    Add(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TRUNC, 0, 2));
    Add(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_WRONLY | O_RDWR, 1, 0));
    Add(BPF_STMT(BPF_RET | BPF_K, Fail(EPERM)));
    Add(BPF_STMT(BPF_RET | BPF_K, kAllow));
  }

  // Allows `call` unless its argument `index` has every bit of `mask` set.
  void AllowUnlessArgumentHasAll(int call, int index, uint32_t mask, int code) {
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call), 0, 5));
    LoadArgument(index);
    Add(BPF_STMT(BPF_ALU | BPF_AND | BPF_K, mask));
    Add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, mask, 0, 1));
    Add(BPF_STMT(BPF_RET | BPF_K, Fail(code)));
    Add(BPF_STMT(BPF_RET | BPF_K, kAllow));
  }

  void Finish(uint32_t action) { Add(BPF_STMT(BPF_RET | BPF_K, action)); }

 private:
  void LoadArgument(int index) {
    Add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS,
                 static_cast<uint32_t>(offsetof(seccomp_data, args) + 8 * index)));
  }
  void Add(const sock_filter& instruction) { program_.push_back(instruction); }

  std::vector<sock_filter> program_;
};

std::vector<sock_filter> BuildFilter() {
  const auto self = static_cast<uint32_t>(getpid());
  FilterBuilder filter;
  filter.Start();
  for (const int call : kAllowed) filter.Return(call, kAllow);
  filter.AllowThreadClone();
  // The C library creates threads through clone3 when it can and falls back to clone when the
  // kernel lacks it; clone3 passes its flags in memory, out of the filter's reach.
  filter.Return(SYS_clone3, Fail(ENOSYS));
  // Memory is never writable and executable at once, and nothing becomes executable later: what
  // the memory-deny-write-execute setting enforces on kernels that have it (6.3 on). Libraries
  // still map their code from their files, executable from the start.
  filter.AllowUnlessArgumentHasAll(SYS_mmap, 2, PROT_WRITE | PROT_EXEC, EPERM);
  filter.AllowUnlessArgumentHasAll(SYS_mprotect, 2, PROT_EXEC, EPERM);
  filter.AllowOpenWithoutReadOnlyTruncation(SYS_openat, 2);
#ifdef SYS_open
  filter.AllowOpenWithoutReadOnlyTruncation(SYS_open, 1);
#endif
  // Signals and memory reads only within the process itself (abort, the crash dump writer); 0
  // would address the process group, which the viewer may belong to.
  filter.AllowIfArgumentIn(SYS_kill, 0, {self}, EPERM);
  filter.AllowIfArgumentIn(SYS_tgkill, 0, {self}, EPERM);
  filter.AllowIfArgumentIn(SYS_process_vm_readv, 0, {self}, EPERM);
  // The process's own resource limits (0 is the caller).
  filter.AllowIfArgumentIn(SYS_prlimit64, 0, {0, self}, EPERM);
  // Terminal controls beyond these (TIOCSTI above all, which types into the terminal the host
  // may have inherited) would act outside the process.
  filter.AllowIfArgumentIn(SYS_ioctl, 1, {TCGETS, TIOCGWINSZ, FIONREAD, FIONBIO, FIOCLEX, FIONCLEX},
                           EPERM);
  // Not F_SETOWN and the like, which direct signals at other processes.
  filter.AllowIfArgumentIn(SYS_fcntl, 1,
                           {F_DUPFD, F_DUPFD_CLOEXEC, F_GETFD, F_SETFD, F_GETFL, F_SETFL, F_GETLK,
                            F_SETLK, F_SETLKW, F_OFD_GETLK, F_OFD_SETLK, F_OFD_SETLKW},
                           EPERM);
  // Thread names and the C library's names for its memory areas; nothing that changes the
  // process's privileges or its relation to others.
  filter.AllowIfArgumentIn(SYS_prctl, 0,
                           {PR_SET_NAME, PR_GET_NAME, PR_GET_DUMPABLE, PR_GET_NO_NEW_PRIVS,
                            PR_GET_PDEATHSIG, PR_SET_VMA},
                           EPERM);
  for (const int call : kRefused) filter.Return(call, Fail(EPERM));
  filter.Finish(Fail(ENOSYS));
  return filter.program();
}

#endif

}  // namespace

int32_t InstallSystemCallFilter() {
#ifdef ZEL_NO_SYSTEM_CALL_FILTER
  return kErrorNotSupported;
#else
  const std::vector<sock_filter> program = BuildFilter();
  const sock_fprog header{static_cast<unsigned short>(program.size()),
                          const_cast<sock_filter*>(program.data())};
  // Synchronised to every thread, in case a library started one during set-up.
  const long result =
      syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &header);
  if (result == 0) return 0;
  // A positive result names a thread that could not take the filter; nothing was installed.
  if (result > 0) return ESRCH;
  const int code = errno;
  // A kernel built without filters rejects the mode itself.
  return code == ENOSYS || code == EINVAL ? kErrorNotSupported : code;
#endif
}

}  // namespace zel::platform
