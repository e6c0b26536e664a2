#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// The section that holds every setting of the program.
inline constexpr char kSettingsSection[] = "Settings";

// The per-user settings store: a human-readable INI file of "[Section]" headers and
// "Name=value" lines. Lines this program does not understand (comments, other sections,
// unknown values, garbage) are kept byte for byte and written back in place, so a hand-edited
// file survives a run. Values are text; only the bytes that would break a line are escaped
// ("\\", "\n", "\r", "\xHH" for other control bytes, and a leading blank), everything else,
// trailing blanks included, is stored verbatim. Blanks after a line's '=' are not part of
// its value. Sections and names match without regard to (ASCII) case, as in the registry the
// store stands in for; a value line written by the program carries the program's spelling. A
// UTF-8 byte-order mark at the start of the file is passed over and written back.
class SettingsStore {
public:
    // A larger file is not read (it is not a settings file we wrote) and never written.
    static constexpr size_t kMaxFileBytes = 16u * 1024u * 1024u;
    // Longer lines are kept but not parsed; WriteString shortens a value so its line fits.
    static constexpr size_t kMaxLineBytes = 1024u * 1024u;

    // TARNWICK_CONFIG when set and non-empty, else
    // $XDG_CONFIG_HOME/Tarnwick EME/Contest Software/Tarnwick.conf (XDG default ~/.config).
    static std::string DefaultPath();

    explicit SettingsStore(std::string path);
    virtual ~SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const std::string& Path() const { return path_; }

    // Replaces the contents with the file's. A missing file gives an empty store (true). A file
    // that cannot be read or is too large gives an empty store and false; Flush then refuses
    // to replace it, so an unreadable file is never overwritten with defaults.
    bool Load();
    // True once the store holds what is on disk (a successful Load or Flush).
    bool IsLoaded() const { return state_ == State::Loaded; }

    // An absent value reads as empty.
    std::string GetString(const std::string& section, const std::string& name) const;
    // Replaces the value's line in place, or appends it at the end of its section (the section
    // is created at the end of the file). Names that could not be read back as written (empty,
    // with '=', control bytes, leading or trailing blanks, or starting like a comment or a
    // header) are ignored.
    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    // Value names of a section in file order, each once.
    std::vector<std::string> Names(const std::string& section) const;

    // Writes the file atomically: a temporary file in the same directory is written, synced
    // and renamed over the old one, then the directory is synced. Missing directories are
    // created (mode 0700). On any failure false is returned with errno set, and the old file
    // is untouched. A store with an empty path lives in memory only and never writes.
    bool Flush();

private:
    enum class State { NotRead, Loaded, Unreadable };

    struct Line {
        std::string text;     // exact bytes without the '\n'
        std::string section;  // case-folded
        std::string key;      // as spelled in the file; empty unless this is a value line
        size_t valueOffset = 0;
    };
    using LineList = std::list<Line>;

    void Clear();
    void Parse(const std::string& content);
    static std::string IndexKey(const std::string& section, const std::string& name);
    static std::string ValueText(const Line& line);
    bool TargetMayBeReplaced(const std::string& target) const;

    std::string path_;
    State state_ = State::NotRead;
    std::string byteOrderMark_;
    LineList lines_;
    // First line of each value, by case-folded section and name.
    std::unordered_map<std::string, LineList::iterator> index_;
    // Last header or value line of each section's last block, by case-folded section: where
    // new values go.
    std::unordered_map<std::string, LineList::iterator> sectionEnd_;
};

}  // namespace tarnwick
