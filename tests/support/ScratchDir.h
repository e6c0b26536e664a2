#pragma once

#include <string>

namespace tarnwick::test {

// A private directory under /tmp, removed with everything in it when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix = "tarnwick");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Whole-file helpers; Write reports whether everything reached the file.
    static bool Write(const std::string& path, const std::string& bytes);
    static std::string Read(const std::string& path);

private:
    std::string path_;
};

}  // namespace tarnwick::test
