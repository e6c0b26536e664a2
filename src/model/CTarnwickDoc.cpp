#include "model/CTarnwickDoc.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"
#include "model/SettingsStore.h"

namespace tarnwick {
namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMono = 1;
constexpr uint16_t kSampleBits = 16;
constexpr uint16_t kSampleBytes = kSampleBits / 8;
constexpr uint32_t kCaptureRate = 11025;
constexpr uint32_t kPlaybackRate = 5512;

constexpr int kCwMode = 0;
constexpr int kPhoneMode = 1;
constexpr int kContestPeriod = 0;
constexpr int kSequencedPeriod = 1;

struct DefaultGroup {
    const char* title;
    int durNumber;
    std::array<const char*, kMessagesPerGroup> messages;
};

// Positions 0..3: CW Sequenced, CW Contest, phone Sequenced, phone Contest.
const DefaultGroup kDefaultGroups[] = {
    {"2M CW EME",
     120,
     {"{%T DE %M}[R:120]", "{%T DE %M}[R:90]{%R}[R:30]", "{R%R}[R:120]", "{R}[R:90] 73 73 73 DE %M",
      "{R R R R 73 73 73}[R:90] * * * * DE %M", "{THX QSO 73}[R:110] DE %M",
      "{CQ DE %M %M %M}[R:120]"}},
    {"CW Contest",
     15,
     {"CQ TEST CQ TEST DE %M %M %M K [P:10]", "QRZ? DE %M %M", "%T DE %M UR %R / %R =",
      "%T DE %M PSE RPT PSE RPT UR %R / %R =", "CQ DX CQ DX CQ DX DE %M %M %M",
      "THX QSO 73 DE %M QRZ?", "THX QSO 73 QRT QRT * * * DE %M"}},
    {"SSB M Scatter",
     30,
     {"{{MSvoiceCQ.wav}[I]}[R:30]", "{{MSrogers.wav}[I]}[R:30]", "{{MS73.wav}[I]}[R:30]", "", "",
      "", ""}},
    {"SSB Contest",
     15,
     {"{ContestVoiceCQ.wav}[I]", "{ContestQRZ.wav}[I]", "{Contest73.wav}[I]", "", "", "", ""}},
};

// The full path even when it is long: a shortened path would name another directory.
std::string CurrentDirectory() {
    char* cwd = getcwd(nullptr, 0);
    if (cwd == nullptr) {
        return std::string();
    }
    std::string dir(cwd);
    std::free(cwd);
    return dir;
}

}  // namespace

CTarnwickDoc::CTarnwickDoc(SettingsStore* store) : store_(store) {
    ApplyDefaults(*this);
}

CTarnwickDoc::~CTarnwickDoc() {
    Save();
}

bool CTarnwickDoc::OnNewDocument() {
    CaptureFormat = WaveFormat{
        kPcm, kMono, kCaptureRate, kCaptureRate * kSampleBytes, kSampleBytes, kSampleBits, 0};
    PlaybackFormat = WaveFormat{
        kPcm, kMono, kPlaybackRate, kPlaybackRate * kSampleBytes, kSampleBytes, kSampleBits, 0};
    SetDefaults();
    if (store_ != nullptr) {
        if (!store_->IsLoaded()) {
            store_->Load();
        }
        LoadSettings(*store_);
    }
    return true;
}

void CTarnwickDoc::SetDefaults() {
    ApplyDefaults(*this);
    LptAddress = 0;
    WorkingDir = CurrentDirectory();

    Groups.clear();
    for (const DefaultGroup& def : kDefaultGroups) {
        auto group = std::make_unique<MessageGroup>();
        group->Title = def.title;
        group->DurNumber = def.durNumber;
        std::copy(def.messages.begin(), def.messages.end(), group->Messages.begin());
        Groups.push_back(std::move(group));
    }
    initialised_ = true;
}

void CTarnwickDoc::LoadSettings(const SettingsStore& store) {
    // The counts are read with the other station settings; the list follows them before the
    // groups' own values are read.
    for (const SettingEntry& entry : StationSettings(*this)) {
        ReadStoredText(entry, store.GetString(kSettingsSection, entry.name));
    }
    if (const auto address = ParseHex16(LptPort[0])) {
        LptAddress = *address;
    }
    SetGroupCounts(NCWTitles, NPhTitles);
    for (const SettingEntry& entry : GroupSettings(*this)) {
        ReadStoredText(entry, store.GetString(kSettingsSection, entry.name));
    }
}

void CTarnwickDoc::StoreSettings(SettingsStore& store) const {
    for (const SettingEntry& entry : AllSettings(*this)) {
        store.WriteString(kSettingsSection, entry.name, StoredText(entry));
    }
}

bool CTarnwickDoc::SaveSettings(SettingsStore& store) const {
    StoreSettings(store);
    return store.Flush();
}

bool CTarnwickDoc::Save() {
    if (store_ == nullptr || !initialised_) {
        return false;
    }
    return SaveSettings(*store_);
}

void CTarnwickDoc::SetGroupCounts(int nCwTitles, int nPhTitles) {
    ResizeGroups(nCwTitles, nPhTitles);
    NormaliseDefaults();
}

// A hand-edited store may hold any counts. Each mode keeps at least one group (its defaults
// must name one) and the list never outgrows the menus, whatever number was stored.
void CTarnwickDoc::ResizeGroups(int nCwTitles, int nPhTitles) {
    nCwTitles = std::clamp(nCwTitles, 1, kMaxGroups - 1);
    nPhTitles = std::clamp(nPhTitles, 1, kMaxGroups - nCwTitles);
    const auto total = static_cast<size_t>(nCwTitles + nPhTitles);
    if (Groups.size() > total) {
        Groups.resize(total);
    }
    while (Groups.size() < total) {
        Groups.push_back(std::make_unique<MessageGroup>());
    }
    for (auto& group : Groups) {
        if (!group) {
            group = std::make_unique<MessageGroup>();
        }
    }
    NCWTitles = nCwTitles;
    NPhTitles = nPhTitles;
}

// Defaults outside their mode's part of the list go to the mode's first group, so no group
// outside the list (or of the other mode) is ever used.
void CTarnwickDoc::NormaliseDefaults() {
    for (int* cw : {&ActivCWContStr, &ActivCWSeqStr}) {
        if (!IsCwPosition(*cw)) {
            *cw = 0;
        }
    }
    for (int* phone : {&ActivPhContStr, &ActivPhSeqStr}) {
        if (!IsPhonePosition(*phone)) {
            *phone = NCWTitles;
        }
    }
}

void CTarnwickDoc::ShiftDefaults(int from, int delta) {
    for (int* position : {&ActivCWContStr, &ActivCWSeqStr, &ActivPhContStr, &ActivPhSeqStr}) {
        if (*position >= from) {
            *position += delta;
        }
    }
}

int CTarnwickDoc::ActiveGroupPosition() const {
    const bool sequenced = Contest == kSequencedPeriod;
    if (Mode == kPhoneMode) {
        const int position = sequenced ? ActivPhSeqStr : ActivPhContStr;
        return IsPhonePosition(position) ? position : NCWTitles;
    }
    const int position = sequenced ? ActivCWSeqStr : ActivCWContStr;
    return IsCwPosition(position) ? position : 0;
}

bool CTarnwickDoc::IsPeriodDefault(int position) const {
    const bool sequenced = Contest == kSequencedPeriod;
    if (IsCwPosition(position)) {
        return position == (sequenced ? ActivCWSeqStr : ActivCWContStr);
    }
    return IsPhonePosition(position) && position == (sequenced ? ActivPhSeqStr : ActivPhContStr);
}

bool CTarnwickDoc::ListIsConsistent() const {
    return NCWTitles >= 1 && NPhTitles >= 1 &&
           static_cast<size_t>(NCWTitles) + static_cast<size_t>(NPhTitles) == Groups.size() &&
           std::all_of(Groups.begin(), Groups.end(), [](const auto& g) { return g != nullptr; });
}

bool CTarnwickDoc::AddCwGroup(const std::string& title) {
    if (!ListIsConsistent() || Groups.size() >= static_cast<size_t>(kMaxGroups)) {
        return false;
    }
    const int source = Contest == kSequencedPeriod ? ActivCWSeqStr : ActivCWContStr;
    auto group = std::make_unique<MessageGroup>(*Groups[IsCwPosition(source) ? source : 0]);
    group->Title = title;
    const int at = NCWTitles;
    Groups.insert(Groups.begin() + at, std::move(group));
    ++NCWTitles;
    ShiftDefaults(at, 1);
    return true;
}

bool CTarnwickDoc::AddPhoneGroup(const std::string& title) {
    if (!ListIsConsistent() || Groups.size() >= static_cast<size_t>(kMaxGroups)) {
        return false;
    }
    const int source = Contest == kSequencedPeriod ? ActivPhSeqStr : ActivPhContStr;
    auto group =
        std::make_unique<MessageGroup>(*Groups[IsPhonePosition(source) ? source : NCWTitles]);
    group->Title = title;
    Groups.push_back(std::move(group));
    ++NPhTitles;
    return true;
}

bool CTarnwickDoc::DeleteGroup(int position) {
    if (!ListIsConsistent()) {
        return false;
    }
    if (IsCwPosition(position)) {
        if (position == ActivCWContStr || position == ActivCWSeqStr || NCWTitles == 1) {
            return false;
        }
        --NCWTitles;
    } else if (IsPhonePosition(position)) {
        if (position == ActivPhContStr || position == ActivPhSeqStr || NPhTitles == 1) {
            return false;
        }
        --NPhTitles;
    } else {
        return false;
    }
    Groups.erase(Groups.begin() + position);
    ShiftDefaults(position + 1, -1);
    return true;
}

bool CTarnwickDoc::SetDefault(int mode, int period, int position) {
    if (!ListIsConsistent() || (period != kContestPeriod && period != kSequencedPeriod)) {
        return false;
    }
    const bool sequenced = period == kSequencedPeriod;
    if (mode == kCwMode && IsCwPosition(position)) {
        (sequenced ? ActivCWSeqStr : ActivCWContStr) = position;
        return true;
    }
    if (mode == kPhoneMode && IsPhonePosition(position)) {
        (sequenced ? ActivPhSeqStr : ActivPhContStr) = position;
        return true;
    }
    return false;
}

bool CTarnwickDoc::Rename(int position, const std::string& title) {
    if (position < 0 || static_cast<size_t>(position) >= Groups.size() || !Groups[position]) {
        return false;
    }
    Groups[position]->Title = title;
    return true;
}

bool CTarnwickDoc::CommitGroups(std::vector<std::unique_ptr<MessageGroup>> groups, int nCwTitles,
                                int nPhTitles, int activCwCont, int activCwSeq, int activPhCont,
                                int activPhSeq) {
    const bool countsFit =
        nCwTitles >= 1 && nPhTitles >= 1 &&
        static_cast<size_t>(nCwTitles) + static_cast<size_t>(nPhTitles) == groups.size() &&
        groups.size() <= static_cast<size_t>(kMaxGroups);
    const bool allPresent =
        std::all_of(groups.begin(), groups.end(), [](const auto& g) { return g != nullptr; });
    if (!countsFit || !allPresent) {
        return false;
    }
    Groups = std::move(groups);
    NCWTitles = nCwTitles;
    NPhTitles = nPhTitles;
    ActivCWContStr = activCwCont;
    ActivCWSeqStr = activCwSeq;
    ActivPhContStr = activPhCont;
    ActivPhSeqStr = activPhSeq;
    NormaliseDefaults();
    return true;
}

}  // namespace tarnwick
