#pragma once
// A file system of 64 KiB for tests of a full disk, where we may mount one
// (as root); elsewhere tests fall back or skip.
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace velmor::testing {

class SmallDisk {
public:
    explicit SmallDisk(std::string folder) : folder_(std::move(folder))
    {
        std::filesystem::create_directory(folder_);
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace velmor::testing
