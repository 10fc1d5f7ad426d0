// The port guard: preloaded (LD_PRELOAD) into a program and whatever it
// starts, it refuses to open the machine's own serial ports and consoles and
// writes each attempt to the file QUILLAR_PORT_GUARD_LOG names. The test
// suite runs under it and fails when that file is not empty. On a machine
// whose first serial port is the console, one open from a test can reset the
// console's speed; on another, it raises the lines of a board that resets on
// them. Pseudo-terminals, /dev/tty and /dev/ptmx stay open to all.
//
// Only the C library's open calls are seen: a program that makes the system
// call itself, or is linked statically, passes unseen. Never installed.
#undef _FORTIFY_SOURCE // its inline open wrappers would clash with these

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using OpenFn = int (*)(const char *, int, ...);
using OpenAtFn = int (*)(int, const char *, int, ...);
using FopenFn = FILE *(*)(const char *, const char *);
using FreopenFn = FILE *(*)(const char *, const char *, FILE *);

template <typename Fn>
Fn real(const char *name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// A name under /dev that means a serial port or a console, whether or not
// the device is on this machine: ttyS0, ttyUSB3, ttyAMA0, serial0,
// serial/by-id/..., console, hvc0, rfcomm0. /dev/tty itself and the
// pseudo-terminals are not.
bool systemPortName(const std::string &path)
{
    if (!startsWith(path, "/dev/") || startsWith(path, "/dev/pts/"))
        return false;
    const std::string name = path.substr(5);
    if (startsWith(name, "tty"))
        return name.size() > 3;
    for (const char *prefix : {"serial", "console", "hvc", "rfcomm"})
        if (startsWith(name, prefix))
            return true;
    return false;
}

// A character device that is a terminal other than a pseudo-terminal, the
// process's own terminal (/dev/tty) or the pseudo-terminal multiplexer.
bool systemTerminal(dev_t device)
{
    const unsigned major = major(device);
    const unsigned minor = minor(device);
    if (major >= 136 && major <= 143) // Unix 98 pseudo-terminals
        return false;
    if (major == 5 && (minor == 0 || minor == 2))
        return false;
    // The kernel files every terminal driver's devices under a "tty" class.
    char sysfs[64];
    std::snprintf(sysfs, sizeof sysfs, "/sys/dev/char/%u:%u", major, minor);
    char target[512];
    const ssize_t length = readlink(sysfs, target, sizeof target - 1);
    if (length > 0) {
        target[length] = '\0';
        return std::strstr(target, "/tty/") != nullptr;
    }
    // No sysfs: the fixed numbers of the common serial drivers and consoles.
    for (unsigned known : {4u, 5u, 166u, 188u, 204u, 207u, 229u})
        if (major == known)
            return true;
    return false;
}

// Why opening path (relative to directory) reaches a system port; empty when
// it does not. A link that leads nowhere is judged by the names on its way,
// so that a test that would open a port on a machine that has it is caught
// on one that has not.
std::string systemPortReason(int directory, const char *path)
{
    struct stat info
    { };
    if (fstatat(directory, path, &info, 0) == 0) {
        if (S_ISCHR(info.st_mode) && systemTerminal(info.st_rdev))
            return "a serial port or console, device " + std::to_string(major(info.st_rdev)) + ":"
                + std::to_string(minor(info.st_rdev));
        return {};
    }
    std::string hop = path;
    for (int links = 0; links < 40; ++links) {
        if (systemPortName(hop))
            return "a serial port's name (" + hop + ")";
        char target[4096];
        const ssize_t length = readlinkat(directory, hop.c_str(), target, sizeof target - 1);
        if (length <= 0)
            return {};
        target[length] = '\0';
        const auto slash = hop.rfind('/');
        hop = target[0] == '/' || slash == std::string::npos ? std::string(target) : hop.substr(0, slash + 1) + target;
    }
    return {};
}

void record(const char *path, const std::string &reason)
{
    char line[8192];
    const int length = std::snprintf(line, sizeof line, "%s (pid %d) tried to open %s: %s\n", program_invocation_name,
                                     static_cast<int>(getpid()), path, reason.c_str());
    const char *log = std::getenv("QUILLAR_PORT_GUARD_LOG");
    static const auto realOpen = real<OpenFn>("open");
    const int fd = log && *log ? realOpen(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666) : -1;
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written =
            write(fd, line, static_cast<size_t>(std::min(length, int(sizeof line) - 1)));
        close(fd);
    }
    std::fprintf(stderr, "port guard: %s", line);
}

// True when the open must not happen; errno is then set as for a refusal.
bool refused(int directory, const char *path)
{
    if (!path)
        return false;
    const int saved = errno;
    const std::string reason = systemPortReason(directory, path);
    errno = saved;
    if (reason.empty())
        return false;
    record(path, reason);
    errno = EACCES;
    return true;
}

mode_t modeOf(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

} // namespace

extern "C" {

#define QUILLAR_GUARD_OPEN(name)                                                                                       \
    int name(const char *path, int flags, ...)                                                                         \
    {                                                                                                                  \
        va_list arguments;                                                                                             \
        va_start(arguments, flags);                                                                                    \
        const mode_t mode = modeOf(flags, arguments);                                                                  \
        va_end(arguments);                                                                                             \
        static const auto next = real<OpenFn>(#name);                                                                  \
        return refused(AT_FDCWD, path) ? -1 : next(path, flags, mode);                                                 \
    }

#define QUILLAR_GUARD_OPENAT(name)                                                                                     \
    int name(int directory, const char *path, int flags, ...)                                                          \
    {                                                                                                                  \
        va_list arguments;                                                                                             \
        va_start(arguments, flags);                                                                                    \
        const mode_t mode = modeOf(flags, arguments);                                                                  \
        va_end(arguments);                                                                                             \
        static const auto next = real<OpenAtFn>(#name);                                                                \
        return refused(directory, path) ? -1 : next(directory, path, flags, mode);                                     \
    }

QUILLAR_GUARD_OPEN(open)
QUILLAR_GUARD_OPEN(open64)
QUILLAR_GUARD_OPENAT(openat)
QUILLAR_GUARD_OPENAT(openat64)

// What the compiler calls in place of open and openat where it checks them.
int __open_2(const char *path, int flags)
{
    static const auto next = real<int (*)(const char *, int)>("__open_2");
    return refused(AT_FDCWD, path) ? -1 : next(path, flags);
}

int __open64_2(const char *path, int flags)
{
    static const auto next = real<int (*)(const char *, int)>("__open64_2");
    return refused(AT_FDCWD, path) ? -1 : next(path, flags);
}

int __openat_2(int directory, const char *path, int flags)
{
    static const auto next = real<int (*)(int, const char *, int)>("__openat_2");
    return refused(directory, path) ? -1 : next(directory, path, flags);
}

int __openat64_2(int directory, const char *path, int flags)
{
    static const auto next = real<int (*)(int, const char *, int)>("__openat64_2");
    return refused(directory, path) ? -1 : next(directory, path, flags);
}

FILE *fopen(const char *path, const char *mode)
{
    static const auto next = real<FopenFn>("fopen");
    return refused(AT_FDCWD, path) ? nullptr : next(path, mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    static const auto next = real<FopenFn>("fopen64");
    return refused(AT_FDCWD, path) ? nullptr : next(path, mode);
}

FILE *freopen(const char *path, const char *mode, FILE *stream)
{
    static const auto next = real<FreopenFn>("freopen");
    return refused(AT_FDCWD, path) ? nullptr : next(path, mode, stream);
}

int creat(const char *path, mode_t mode)
{
    return open(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

int creat64(const char *path, mode_t mode)
{
    return open64(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

} // extern "C"
