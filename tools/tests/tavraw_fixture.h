// The fixture of tavraw's end-to-end tests: a fresh work folder per test, a
// runner that captures the exit code, stdout and stderr of one tool run, and
// small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace tavrawtest {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::string text = readText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class Tavraw : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavraw_test_XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        dir_ = name.data();
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Every run is bounded in time, so that a tool blocked on a FIFO fails the
    // test instead of hanging it. `input` (optional) becomes standard input.
    ToolRun run(const std::vector<std::string>& args, const std::string& input = "") const {
        std::string command = "timeout -k 5 120 " + std::string(TAVRAW_EMULATOR) + " '" + TAVRAW_PATH + "'";
        for (const std::string& a : args) command += " '" + a + "'";
        command += " <'" + (input.empty() ? std::string("/dev/null") : input) + "'";
        command += " >'" + path("stdout.txt") + "' 2>'" + path("stderr.txt") + "'";
        ToolRun r;
        int status = std::system(command.c_str());
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readText(path("stdout.txt"));
        r.err = readText(path("stderr.txt"));
        return r;
    }

    // No temporary or partial file may stay behind in the work folder.
    bool noTemporaries() const {
        std::string command = "ls '" + dir_ + "' | grep -c '\\.tmp' > '" + path("count.txt") + "'";
        std::system(command.c_str());
        return std::stoi(readText(path("count.txt"))) == 0;
    }

    // Every entry under the work folder but the runner's own files: kind and
    // contents of regular files, targets of symlinks. Compared before and
    // after a refused run, it shows that nothing was touched.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> entries;
        addEntries(dir_, entries);
        for (const char* own : {"stdout.txt", "stderr.txt", "count.txt"}) entries.erase(path(own));
        return entries;
    }

    std::string dir_;

private:
    static void addEntries(const std::string& folder, std::map<std::string, std::string>& entries) {
        DIR* listing = opendir(folder.c_str());
        if (!listing) return;
        while (dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const std::string full = folder + "/" + name;
            struct stat st;
            if (lstat(full.c_str(), &st) != 0) continue;
            if (S_ISLNK(st.st_mode)) {
                char target[4096];
                ssize_t n = readlink(full.c_str(), target, sizeof target);
                entries[full] = "link:" + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
            } else if (S_ISDIR(st.st_mode)) {
                entries[full] = "folder";
                addEntries(full, entries);
            } else if (S_ISREG(st.st_mode)) {
                entries[full] = "file:" + readText(full);
            } else {
                entries[full] = "special:" + std::to_string(st.st_mode);
            }
        }
        closedir(listing);
    }
};

inline std::vector<uint8_t> wordsToBytes(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words) {
        for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(w >> (8 * b)));
    }
    return bytes;
}

// A table file as tavraw writes it: "TAVSHADE", version 1, depth, words.
inline std::vector<uint8_t> tableFile(const std::vector<uint32_t>& words, uint32_t bits, uint32_t version = 1) {
    std::vector<uint8_t> bytes = {'T', 'A', 'V', 'S', 'H', 'A', 'D', 'E'};
    std::vector<uint8_t> rest = wordsToBytes({version, bits});
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    rest = wordsToBytes(words);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

}  // namespace tavrawtest
