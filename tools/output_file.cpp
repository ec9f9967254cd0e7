#include "output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli.h"

namespace tavraw {

namespace {

std::string systemError() { return strerror(errno); }

// Writes everything or reports why not; the caller closes the descriptor.
bool writeAll(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows a chain of symlinks to the path of the final target (which need
// not exist yet). Relative links are taken from the link's own folder.
std::string finalTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char target[PATH_MAX];
        ssize_t n = readlink(current.c_str(), target, sizeof target - 1);
        if (n < 0) failure(path + ": cannot read the link: " + systemError());
        target[n] = '\0';
        current = target[0] == '/' ? std::string(target) : folderOf(current) + "/" + target;
    }
    failure(path + ": too many levels of symbolic links");
}

void writeThrough(const std::string& path, const uint8_t* data, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_NOCTTY);
    if (fd < 0) failure(path + ": cannot open: " + systemError());
    if (!writeAll(fd, data, size)) {
        std::string why = systemError();
        close(fd);
        failure(path + ": write error: " + why);
    }
    if (close(fd) != 0) failure(path + ": write error: " + systemError());
}

void writeStandardOutput(const uint8_t* data, size_t size) {
    fflush(stdout);
    if (!writeAll(STDOUT_FILENO, data, size)) failure("standard output: write error: " + systemError());
}

}  // namespace

void writeFileAtomic(const std::string& path, const uint8_t* data, size_t size) {
    if (isStandardStream(path)) {
        writeStandardOutput(data, size);
        return;
    }
    const std::string target = finalTarget(path);
    struct stat st;
    const bool replacing = stat(target.c_str(), &st) == 0;
    if (replacing) {
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            writeThrough(target, data, size);
            return;
        }
        if (S_ISDIR(st.st_mode)) failure(path + ": is a folder");
        if (!S_ISREG(st.st_mode)) failure(path + ": not a regular file, character device or FIFO");
    }
    std::string temporary = target + ".tmp" + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) failure(path + ": cannot create: " + systemError());
    if (replacing) fchmod(fd, st.st_mode & 07777);  // the replaced file keeps its permissions
    if (!writeAll(fd, data, size)) {
        std::string why = systemError();
        close(fd);
        unlink(temporary.c_str());
        failure(path + ": write error: " + why);
    }
    if (close(fd) != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
        std::string why = systemError();
        unlink(temporary.c_str());
        failure(path + ": cannot write: " + why);
    }
}

}  // namespace tavraw
