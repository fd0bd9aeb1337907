// The one writer, step by step: its calls into the system go through the
// linker's --wrap, so that each can be made to fail in turn and the order
// of the steps seen. Whatever fails, the file that was there stays as it
// was and no temporary is left; a replaced file keeps its permissions, and
// its data reaches the disk before the rename makes it visible.
#include "compare/writer.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/run_program.h"

extern "C" {
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
}

namespace {

std::vector<std::string> steps;  // the calls seen, in order
std::string failing;             // the call to fail, with EIO

bool fails(const char* step) {
    steps.push_back(step);
    if (failing != step) return false;
    errno = EIO;
    return true;
}

}  // namespace

extern "C" {
ssize_t __wrap_write(int fd, const void* data, size_t size) {
    return fails("write") ? -1 : __real_write(fd, data, size);
}
int __wrap_fsync(int fd) { return fails("fsync") ? -1 : __real_fsync(fd); }
int __wrap_rename(const char* from, const char* to) { return fails("rename") ? -1 : __real_rename(from, to); }
}

namespace {

struct Folder {
    std::string path = tempPath("writer");
    Folder() { std::system(("rm -rf " + path + " && mkdir -p " + path).c_str()); }
    ~Folder() { std::system(("rm -rf " + path).c_str()); }
};

mode_t modeOf(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(Writer, FailureAtAnyStepLeavesTheFileAsItWas) {
    for (const char* step : {"write", "fsync", "rename"}) {
        Folder folder;
        const std::string page = folder.path + "/page.html";
        std::ofstream(page) << "the user's page\n";
        failing = step;
        std::string error;
        EXPECT_FALSE(writeWholeFile(page, "new", error)) << step;
        failing.clear();
        EXPECT_NE(error.find(page), std::string::npos) << error;
        EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
        EXPECT_EQ(readFile(page), "the user's page\n") << step;
        EXPECT_EQ(runProgram("ls -A", folder.path).out, "page.html\n") << step;
    }
}

TEST(Writer, DataReachesTheDiskBeforeTheRename) {
    Folder folder;
    steps.clear();
    std::string error;
    ASSERT_TRUE(writeWholeFile(folder.path + "/page.html", "x", error)) << error;
    EXPECT_EQ(steps, (std::vector<std::string>{"write", "fsync", "rename"}));
}

// Replacing a file keeps its permissions, whatever the umask; a new file
// gets the umask's.
TEST(Writer, ReplacedFileKeepsItsPermissions) {
    Folder folder;
    const std::string page = folder.path + "/page.html";
    for (mode_t mode : {0600, 0640, 0755}) {
        std::ofstream(page) << "old";
        ASSERT_EQ(chmod(page.c_str(), mode), 0);
        std::string error;
        ASSERT_TRUE(writeWholeFile(page, "new", error)) << error;
        EXPECT_EQ(modeOf(page), mode);
        EXPECT_EQ(readFile(page), "new");
    }
    const mode_t mask = umask(022);
    std::string error;
    ASSERT_TRUE(writeWholeFile(folder.path + "/fresh.html", "new", error)) << error;
    umask(mask);
    EXPECT_EQ(modeOf(folder.path + "/fresh.html"), 0644u);
}

// What another library wrote is put in place the same way, or removed.
TEST(Writer, ReplaceFileRemovesTheTemporaryOnFailure) {
    Folder folder;
    const std::string out = folder.path + "/out.json";
    std::ofstream(out) << "old";
    const std::string temporary = temporaryPathFor(out);
    EXPECT_EQ(temporary.compare(0, out.size(), out), 0) << temporary;
    std::ofstream(temporary) << "new";
    failing = "rename";
    std::string error;
    EXPECT_FALSE(replaceFile(temporary, out, error));
    failing.clear();
    EXPECT_EQ(readFile(out), "old");
    EXPECT_EQ(runProgram("ls -A", folder.path).out, "out.json\n");
    std::ofstream(temporary) << "new";
    ASSERT_TRUE(replaceFile(temporary, out, error)) << error;
    EXPECT_EQ(readFile(out), "new");
    EXPECT_EQ(runProgram("ls -A", folder.path).out, "out.json\n");
}

}  // namespace
