#include "compare/writer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const int binaryFlag = O_BINARY;
int processId() { return _getpid(); }
int syncFile(int fd) { return _commit(fd); }
bool isSeparator(char c) { return c == '/' || c == '\\'; }
#else
const int binaryFlag = 0;
int processId() { return static_cast<int>(getpid()); }
int syncFile(int fd) { return fsync(fd); }
bool isSeparator(char c) { return c == '/'; }
#endif

std::string folderOf(const std::string& path) {
    std::size_t slash = path.size();
    while (slash > 0 && !isSeparator(path[slash - 1])) --slash;
    if (slash == 0) return ".";
    return slash == 1 ? path.substr(0, 1) : path.substr(0, slash - 1);
}

std::string resolvedPath(const std::string& path);

// The temporaries a signal, a crash or a hung sort must not leave behind:
// fixed slots, so that a handler reads them without allocating.
const int temporarySlots = 8;
const std::size_t temporaryNameSize = 4096;
char temporaryNames[temporarySlots][temporaryNameSize];
std::atomic<int> temporaryInUse[temporarySlots];

void keepTemporary(const std::string& name) {
    if (name.size() >= temporaryNameSize) return;
    for (int i = 0; i < temporarySlots; ++i) {
        if (temporaryInUse[i].load() != 0) continue;
        std::memcpy(temporaryNames[i], name.c_str(), name.size() + 1);
        temporaryInUse[i].store(1);
        return;
    }
}

void forgetTemporary(const std::string& name) {
    for (int i = 0; i < temporarySlots; ++i) {
        if (temporaryInUse[i].load() != 0 && name == temporaryNames[i]) temporaryInUse[i].store(0);
    }
}

std::string nextTemporaryName(const std::string& path) {
    static int made = 0;
    const std::string target = resolvedPath(path);
    const std::string suffix = "." + std::to_string(processId()) + "-" + std::to_string(++made) + ".tmp";
    // Within the 255 bytes a name may have, however long the target's.
    std::size_t name = target.size();
    while (name > 0 && !isSeparator(target[name - 1])) --name;
    const std::size_t longest = 255 - suffix.size();
    return target.substr(0, name + std::min(target.size() - name, longest)) + suffix;
}

extern "C" void removeTemporariesAndEnd(int signalNumber) {
    removeTemporaries();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

std::string failure(const std::string& what, const std::string& path, int error) {
    return what + " \"" + path + "\": " + std::strerror(error);
}

// Creates a new temporary file beside path, never one that exists.
int createTemporary(const std::string& path, std::string& name, std::string& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = nextTemporaryName(path);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | binaryFlag, 0666);
        if (fd >= 0) keepTemporary(name);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) error = failure("cannot create a file in the folder of", path, errno);
            return fd;
        }
    }
    error = "cannot find a free temporary name beside \"" + path + "\"";
    return -1;
}

std::string resolvedPath(const std::string& path) {
#ifndef _WIN32
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (char* target = realpath(path.c_str(), nullptr)) {
            const std::string resolved = target;
            std::free(target);
            return resolved;
        }
    }
#endif
    return path;
}

}  // namespace

bool checkOutputFile(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "needs a file name, not nothing";
        return false;
    }
    struct stat status;
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            error = "needs a file, not the folder \"" + path + "\"";
            return false;
        }
        // A FIFO would block the open, a device would take the page.
        if (!S_ISREG(status.st_mode)) {
            error = "needs a regular file: \"" + path + "\" is a FIFO, device or socket";
            return false;
        }
        if (access(path.c_str(), W_OK) != 0) {
            error = failure("cannot write", path, errno);
            return false;
        }
#ifndef _WIN32
        // In a sticky folder such as /tmp only the file's owner (or the
        // folder's) may replace it: refused now, not after the run.
        struct stat folderStatus;
        const std::string folder = folderOf(resolvedPath(path));
        if (stat(folder.c_str(), &folderStatus) == 0 && (folderStatus.st_mode & S_ISVTX) != 0 &&
            status.st_uid != geteuid() && folderStatus.st_uid != geteuid() && geteuid() != 0) {
            error =
                "cannot replace \"" + path + "\": another user's file in a folder where only its owner may";
            return false;
        }
#endif
    } else if (errno != ENOENT) {
        error = failure("cannot write", path, errno);
        return false;
    }
    const std::string folder = folderOf(resolvedPath(path));
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        error = "cannot write \"" + path + "\": the folder \"" + folder + "\" does not exist";
        return false;
    }
    std::string temporary;
    const int fd = createTemporary(resolvedPath(path), temporary, error);
    if (fd < 0) return false;
    close(fd);
    discardFile(temporary);
    return true;
}

std::string outputIdentity(const std::string& path) {
    const std::string target = resolvedPath(path);
    std::size_t name = target.size();
    while (name > 0 && !isSeparator(target[name - 1])) --name;
    std::string folder = folderOf(target);
#ifndef _WIN32
    if (char* real = realpath(folder.c_str(), nullptr)) {
        folder = real;
        std::free(real);
    }
#endif
    return folder + "/" + target.substr(name);
}

std::string temporaryPathFor(const std::string& path) {
    const std::string name = nextTemporaryName(path);
    keepTemporary(name);
    return name;
}

void removeTemporaries() {
    for (int i = 0; i < temporarySlots; ++i) {
#ifdef _WIN32
        if (temporaryInUse[i].load() != 0) std::remove(temporaryNames[i]);
#else
        if (temporaryInUse[i].load() != 0) unlink(temporaryNames[i]);
#endif
    }
}

void removeTemporariesOnSignals() {
#ifdef _WIN32
    for (int signalNumber : {SIGINT, SIGTERM}) std::signal(signalNumber, removeTemporariesAndEnd);
#else
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        std::signal(signalNumber, removeTemporariesAndEnd);
    }
#endif
}

bool replaceFile(const std::string& temporary, const std::string& linkOrPath, std::string& error) {
    const std::string path = resolvedPath(linkOrPath);
#ifdef _WIN32
    const bool moved = MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    const int reason = moved ? 0 : EACCES;
#else
    const bool moved = std::rename(temporary.c_str(), path.c_str()) == 0;
    const int reason = errno;
#endif
    if (!moved) {
        error = failure("cannot replace", path, reason);
        discardFile(temporary);
    }
    forgetTemporary(temporary);
    return moved;
}

void discardFile(const std::string& temporary) {
    std::remove(temporary.c_str());
    forgetTemporary(temporary);
}

bool writeWholeFile(const std::string& linkOrPath, const std::string& text, std::string& error) {
    // Through a symbolic link, the file it names is replaced, not the link.
    const std::string path = resolvedPath(linkOrPath);
    std::string temporary;
    const int fd = createTemporary(path, temporary, error);
    if (fd < 0) return false;
#ifndef _WIN32
    // A page replaced keeps the permissions it had.
    struct stat status;
    if (stat(path.c_str(), &status) == 0) fchmod(fd, status.st_mode & 07777);
#endif
    const char* data = text.data();
    std::size_t left = text.size();
    int reason = 0;
    while (left > 0 && reason == 0) {
        const int chunk = left > (1u << 30) ? 1 << 30 : static_cast<int>(left);
        const auto wrote = write(fd, data, static_cast<unsigned>(chunk));
        if (wrote > 0) {
            data += wrote;
            left -= static_cast<std::size_t>(wrote);
        } else if (wrote < 0 && errno != EINTR) {
            reason = errno;
        } else if (wrote == 0) {
            reason = EIO;
        }
    }
    if (reason == 0 && syncFile(fd) != 0) reason = errno;
    if (close(fd) != 0 && reason == 0) reason = errno;
    if (reason != 0) {
        error = failure("cannot write", path, reason);
        discardFile(temporary);
        return false;
    }
    return replaceFile(temporary, path, error);
}

bool standardOutputWritten(const char* program) {
    // The first flush that fails holds the reason; the next finds nothing.
    errno = 0;
    std::cout.flush();
    int reason = errno;
    const bool flushed = std::fflush(stdout) == 0;
    if (reason == 0) reason = errno;
    if (flushed && !std::ferror(stdout) && !std::cout.fail()) return true;
    std::fprintf(stderr, "%s: cannot write to standard output%s%s\n", program, reason != 0 ? ": " : "",
                 reason != 0 ? std::strerror(reason) : "");
    return false;
}
