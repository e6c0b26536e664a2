#include "model/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/SettingsFormat.h"

namespace tarnwick {
namespace {

constexpr char kStoreDirectory[] = "Tarnwick EME/Contest Software";
constexpr char kStoreFile[] = "Tarnwick.conf";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// A CRLF file's lines end in '\r'; values never hold a raw CR (it is escaped), so it is
// always the line ending.
std::string_view WithoutCr(std::string_view s) {
    if (!s.empty() && s.back() == '\r') {
        s.remove_suffix(1);
    }
    return s;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsValidName(const std::string& name) {
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) {
        return false;
    }
    if (name.front() == ';' || name.front() == '#' || name.front() == '[') {
        return false;
    }
    for (const char c : name) {
        if (c == '=' || IsControl(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool IsValidSection(const std::string& section) {
    if (!IsValidName(section)) {
        return false;
    }
    return section.find_first_of("[]") == std::string::npos;
}

std::string ParentDirectory(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool MakeDirectories(const std::string& dir) {
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/') {
            continue;
        }
        const std::string prefix = dir.substr(0, pos);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A file system that cannot sync a directory has nothing more to make durable.
bool SyncDirectory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return ok;
}

// Writing through a symbolic link keeps the link (a dotfile manager's, say) in place.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadBounded(const std::string& path, size_t maxBytes, std::string& out) {
    // O_NONBLOCK: a FIFO in place of the file must not hang the start-up.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return ReadResult::Failed;
    }
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || out.size() + static_cast<size_t>(n) > maxBytes) {
            close(fd);
            out.clear();
            return ReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::Ok;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return home;
    }
    const passwd* pw = getpwuid(getuid());
    if (pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] != '\0') {
        return pw->pw_dir;
    }
    return ".";
}

}  // namespace

std::string SettingsStore::DefaultPath() {
    const char* explicitPath = std::getenv("TARNWICK_CONFIG");
    if (explicitPath != nullptr && explicitPath[0] != '\0') {
        return explicitPath;
    }
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // The XDG rules say a relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        base = HomeDirectory() + "/.config";
    }
    return base + "/" + kStoreDirectory + "/" + kStoreFile;
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

void SettingsStore::Clear() {
    byteOrderMark_.clear();
    lines_.clear();
    index_.clear();
    sectionEnd_.clear();
}

std::string SettingsStore::IndexKey(const std::string& section, const std::string& name) {
    // Neither part can hold a newline: both come from single lines.
    return FoldCase(section) + '\n' + FoldCase(name);
}

std::string SettingsStore::ValueText(const Line& line) {
    return UnescapeText(WithoutCr(std::string_view(line.text).substr(line.valueOffset)));
}

bool SettingsStore::Load() {
    Clear();
    std::string content;
    switch (ReadBounded(path_, kMaxFileBytes, content)) {
        case ReadResult::Missing:
            state_ = State::Loaded;
            return true;
        case ReadResult::Failed:
            state_ = State::Unreadable;
            return false;
        case ReadResult::Ok:
            break;
    }
    // An editor's byte-order mark is kept for the write but is no part of the first line.
    if (std::string_view(content).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        byteOrderMark_ = kByteOrderMark;
        content.erase(0, kByteOrderMark.size());
    }
    Parse(content);
    state_ = State::Loaded;
    return true;
}

void SettingsStore::Parse(const std::string& content) {
    std::string section;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        auto it = lines_.insert(lines_.end(), Line{content.substr(start, end - start), {}, {}, 0});
        start = end + 1;

        const std::string_view body = WithoutCr(it->text);
        if (body.size() > kMaxLineBytes) {
            continue;
        }
        const std::string_view trimmed = Trim(body);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
            continue;
        }
        const size_t eq = body.find('=');
        if (trimmed.front() == '[' && eq == std::string_view::npos) {
            const size_t close = trimmed.rfind(']');
            if (close != std::string_view::npos) {
                section = FoldCase(Trim(trimmed.substr(1, close - 1)));
                sectionEnd_[section] = it;
            }
            continue;
        }
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(body.substr(0, eq));
        if (key.empty()) {
            continue;
        }
        // Blanks after the '=' are what a hand editor puts there ("MyCall = DL1XYZ"); a value
        // of our own that starts with a blank has it escaped.
        size_t valueStart = eq + 1;
        while (valueStart < body.size() && IsBlank(body[valueStart])) {
            ++valueStart;
        }
        it->section = section;
        it->key = std::string(key);
        it->valueOffset = valueStart;
        index_.emplace(IndexKey(section, it->key), it);
        sectionEnd_[section] = it;
    }
}

std::string SettingsStore::GetString(const std::string& section, const std::string& name) const {
    const auto found = index_.find(IndexKey(section, name));
    if (found == index_.end()) {
        return std::string();
    }
    return ValueText(*found->second);
}

void SettingsStore::WriteString(const std::string& section, const std::string& name,
                                const std::string& value) {
    if (!IsValidSection(section) || !IsValidName(name)) {
        return;
    }
    const std::string key = IndexKey(section, name);
    const auto found = index_.find(key);
    // A line we write carries the name as the program spells it.
    Line line{name + "=", FoldCase(section), name, name.size() + 1};
    line.text += EscapeText(value, kMaxLineBytes - line.valueOffset);
    if (found != index_.end()) {
        Line& old = *found->second;
        if (!old.text.empty() && old.text.back() == '\r') {
            line.text += '\r';
        }
        old = std::move(line);
        return;
    }

    LineList::iterator where;
    const auto end = sectionEnd_.find(line.section);
    if (end != sectionEnd_.end()) {
        where = lines_.insert(std::next(end->second), std::move(line));
    } else {
        if (!lines_.empty() && !Trim(WithoutCr(lines_.back().text)).empty()) {
            lines_.push_back(Line{});
        }
        lines_.push_back(Line{"[" + section + "]", {}, {}, 0});
        where = lines_.insert(lines_.end(), std::move(line));
    }
    sectionEnd_[where->section] = where;
    index_.emplace(key, where);
}

std::vector<std::string> SettingsStore::Names(const std::string& section) const {
    std::vector<std::string> names;
    const std::string folded = FoldCase(section);
    for (const Line& line : lines_) {
        if (line.key.empty() || line.section != folded) {
            continue;
        }
        // Only the first line of a repeated name is the value.
        const auto found = index_.find(IndexKey(section, line.key));
        if (found != index_.end() && &*found->second == &line) {
            names.push_back(line.key);
        }
    }
    return names;
}

bool SettingsStore::TargetMayBeReplaced(const std::string& target) const {
    if (state_ == State::Loaded) {
        return true;
    }
    // Never replace a file whose contents we have not seen: they would be lost.
    struct stat st {};
    return lstat(target.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool SettingsStore::Flush() {
    if (path_.empty()) {
        errno = ENOENT;  // an in-memory store: nothing to write to
        return false;
    }
    std::string content = byteOrderMark_;
    for (const Line& line : lines_) {
        content += line.text;
        content += '\n';
        if (content.size() > kMaxFileBytes) {
            errno = EFBIG;  // Load would refuse it, so it must not replace a good file
            return false;
        }
    }

    const std::string target = ResolveTarget(path_);
    if (!TargetMayBeReplaced(target)) {
        errno = EPERM;
        return false;
    }
    const std::string dir = ParentDirectory(target);
    if (!MakeDirectories(dir)) {
        return false;
    }

    std::string tempPath = dir + "/." + BaseName(target) + ".XXXXXX";
    const int fd = mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
    }
    bool ok = WriteAll(fd, content) && fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        unlink(tempPath.c_str());
        errno = failure;  // the caller's message names the real failure, not unlink's
        return false;
    }
    state_ = State::Loaded;
    return SyncDirectory(dir);
}

}  // namespace tarnwick
