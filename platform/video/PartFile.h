#pragma once

#include <memory>
#include <string>

namespace platform::video {

// A new, empty, hidden file beside a target path that becomes the target only when committed;
// removed when dropped uncommitted. The target is not touched before the commit.
class PartFile {
public:
    // nullptr and a reason naming the folder when the file can't be made there.
    static std::unique_ptr<PartFile> create(const std::string& target, std::string* error);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& target() const { return target_; }
    // Renames the file to the target, replacing what is there; false and a reason otherwise
    // (the file is then removed).
    bool commit(std::string* error);

private:
    PartFile(std::string target, std::string path);
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

} // namespace platform::video
