#include "ports/SerialDeviceList.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace tarnwick {
namespace {

constexpr const char* kNodePrefixes[] = {"ttyS", "ttyUSB", "ttyACM"};
constexpr const char* kById = "/dev/serial/by-id";
// The UART type the kernel reports for a port slot with no hardware behind it.
constexpr const char* kNoUart = "0";

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return names;
    }
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(d);
    return names;
}

// The number after `prefix`, when the rest of the name is all digits.
bool NodeNumber(std::string_view name, std::string_view prefix, long* number) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
        name.size() - prefix.size() > 6) {
        return false;
    }
    long n = 0;
    for (char c : name.substr(prefix.size())) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        n = n * 10 + (c - '0');
    }
    *number = n;
    return true;
}

std::string FirstLine(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) {
        return std::string();
    }
    char line[32] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    std::string text = read ? line : "";
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    return text;
}

// The kernel keeps a node for every on-board port slot; sysfs says which have a UART.
bool HasUart(const std::string& root, const std::string& name) {
    return FirstLine(root + "/sys/class/tty/" + name + "/type") != kNoUart;
}

// Joins a link's relative target to the folder of the link, folding "." and "..".
std::string ResolveLink(const std::string& dir, const std::string& target) {
    std::vector<std::string> parts;
    auto add = [&parts](const std::string& path) {
        size_t at = 0;
        while (at <= path.size()) {
            const size_t slash = std::min(path.find('/', at), path.size());
            const std::string part = path.substr(at, slash - at);
            if (part == "..") {
                if (!parts.empty()) {
                    parts.pop_back();
                }
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            at = slash + 1;
        }
    };
    if (target.empty() || target.front() != '/') {
        add(dir);
    }
    add(target);
    std::string path;
    for (const auto& part : parts) {
        path += "/" + part;
    }
    return path;
}

std::string LinkTarget(const std::string& root, const std::string& path) {
    char buffer[4096];
    const ssize_t n = readlink((root + path).c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) {
        return std::string();
    }
    return ResolveLink(kById, std::string(buffer, static_cast<size_t>(n)));
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string& root) {
    std::vector<SerialDevice> devices;
    const std::vector<std::string> dev = Entries(root + "/dev");
    for (const char* prefix : kNodePrefixes) {
        std::vector<std::pair<long, std::string>> found;
        for (const auto& name : dev) {
            long number = 0;
            if (NodeNumber(name, prefix, &number) &&
                (std::string_view(prefix) != "ttyS" || HasUart(root, name))) {
                found.emplace_back(number, name);
            }
        }
        std::sort(found.begin(), found.end());
        for (const auto& [number, name] : found) {
            devices.push_back({"/dev/" + name, std::string()});
        }
    }
    std::vector<std::string> byId = Entries(root + kById);
    std::sort(byId.begin(), byId.end());
    for (const auto& name : byId) {
        const std::string path = std::string(kById) + "/" + name;
        devices.push_back({path, LinkTarget(root, path)});
    }
    return devices;
}

}  // namespace tarnwick
