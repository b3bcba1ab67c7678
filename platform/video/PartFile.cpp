#include "platform/video/PartFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace platform::video {

namespace {

std::atomic<unsigned> madeSoFar{0};

std::string folderOf(const std::filesystem::path& target) {
    const auto folder = target.parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

} // namespace

PartFile::PartFile(std::string target, std::string path)
    : target_(std::move(target)), path_(std::move(path)) {}

PartFile::~PartFile() {
    if (!committed_) {
        ::unlink(path_.c_str());
    }
}

std::unique_ptr<PartFile> PartFile::create(const std::string& target, std::string* error) {
    const std::filesystem::path targetPath(target);
    std::error_code ec;
    if (std::filesystem::is_directory(targetPath, ec)) {
        *error = target + " is a folder";
        return nullptr;
    }
    const std::string name = targetPath.filename().string();
    if (name.empty() || name == "." || name == "..") {
        *error = target + " names no file";
        return nullptr;
    }
    // The process id and a counter make the name unique among this machine's writers; a
    // name that exists all the same is skipped, never overwritten.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tag[48];
        std::snprintf(tag, sizeof tag, "%ld-%u", static_cast<long>(::getpid()), madeSoFar++);
        const auto part = targetPath.parent_path() / ("." + name + "." + tag + ".part");
        const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return std::unique_ptr<PartFile>(new PartFile(target, part.string()));
        }
        if (errno != EEXIST) {
            *error =
                "cannot create a file in " + folderOf(targetPath) + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    *error = "cannot create a file in " + folderOf(targetPath) + ": every temporary name is taken";
    return nullptr;
}

bool PartFile::commit(std::string* error) {
    if (::rename(path_.c_str(), target_.c_str()) != 0) {
        *error = "cannot replace " + target_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace platform::video
