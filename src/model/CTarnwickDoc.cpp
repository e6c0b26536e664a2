#include "model/CTarnwickDoc.h"

#include "audio/FftEngine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/SettingsFormat.h"
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

std::string IndexedName(const char* stem, int d) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d", stem, d);
    return name;
}

std::string GroupValueName(const char* stem, int n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%02d", stem, n);
    return name;
}

std::string MessageValueName(int n, int m) {
    char name[64];
    std::snprintf(name, sizeof name, "Message%02d-%02d", n, m);
    return name;
}

std::string PortMatrixName(int row, int column) {
    char name[64];
    std::snprintf(name, sizeof name, "PortMatrix[%d][%d]", row, column);
    return name;
}

// Reads a value over a field; a missing, empty or unparsable value leaves the field alone.
struct Reader {
    const SettingsStore& store;

    std::string Text(const std::string& name) const {
        return store.GetString(kSettingsSection, name);
    }
    void operator()(const std::string& name, int& field) const {
        if (const auto v = ParseInt(Text(name))) {
            field = *v;
        }
    }
    void operator()(const std::string& name, unsigned& field) const {
        if (const auto v = ParseUnsigned(Text(name))) {
            field = *v;
        }
    }
    void operator()(const std::string& name, double& field) const {
        if (const auto v = ParseDouble(Text(name))) {
            field = *v;
        }
    }
    void operator()(const std::string& name, std::string& field) const {
        std::string text = Text(name);
        if (!text.empty()) {
            field = std::move(text);
        }
    }
};

struct Writer {
    SettingsStore& store;

    void operator()(const std::string& name, const int& field) const {
        store.WriteString(kSettingsSection, name, FormatInt(field));
    }
    void operator()(const std::string& name, const unsigned& field) const {
        store.WriteString(kSettingsSection, name, FormatUnsigned(field));
    }
    void operator()(const std::string& name, const double& field) const {
        store.WriteString(kSettingsSection, name, FormatDouble(field));
    }
    void operator()(const std::string& name, const std::string& field) const {
        store.WriteString(kSettingsSection, name, field);
    }
};

// Values 1..27 of the stored order. Loading and saving both walk this one list, so the two
// can never disagree on a name or its place.
template <class Doc, class Visit>
void VisitStationSettings(Doc& doc, const Visit& visit) {
    visit("Mode", doc.Mode);
    visit("Contest", doc.Contest);
    visit("MyCall", doc.MyCall);
    visit("MyGrid", doc.MyGrid);
    visit("HisCall", doc.HisCall);
    for (int d = 0; d < static_cast<int>(doc.ComPort.size()); ++d) {
        visit(IndexedName("ComPort", d + 1), doc.ComPort[d]);
    }
    for (int d = 0; d < static_cast<int>(doc.LptPort.size()); ++d) {
        visit(IndexedName("LptPort", d + 1), doc.LptPort[d]);
    }
    for (int row = 0; row < kPortRows; ++row) {
        for (int column = 0; column < kPortColumns; ++column) {
            visit(PortMatrixName(row, column), doc.PortMatrix[row][column]);
        }
    }
    visit("CWPriority", doc.CWPriority);
    visit("TXDelay", doc.TXDelay);
    visit("TXFirst", doc.TXFirst);
    visit("CWInd", doc.CWInd);
    visit("CWRate", doc.CWRate);
    visit("Report", doc.Report);
    visit("FilterFreq", doc.FilterFreq);
    visit("FilterWidth", doc.FilterWidth);
    visit("FilterBottomWidth", doc.FilterBottomWidth);
    visit("DisplayGain", doc.DisplayGain);
    visit("DisplayCont", doc.DisplayCont);
    visit("DisplayAvg", doc.DisplayAvg);
    visit("DotWgt", doc.DotWgt);
    visit("DashWgt", doc.DashWgt);
    visit("LetterSp", doc.LetterSp);
    visit("WaveOut", doc.WaveOut);
    visit("UseTRX", doc.UseTRX);
    visit("SO2R", doc.SO2R);
    visit("ManualSend", doc.ManualSend);
    // Linux additions: the device behind each COM number, where the rig-control daemon
    // listens, and the name of the chosen sound device.
    for (int d = 0; d < static_cast<int>(doc.ComDevice.size()); ++d) {
        visit(IndexedName("ComDevice", d + 1), doc.ComDevice[d]);
    }
    visit("TrxHost", doc.TrxHost);
    visit("TrxPort", doc.TrxPort);
    visit("WaveOutName", doc.WaveOutName);
}

// Values 30..33.
template <class Doc, class Visit>
void VisitDefaultPositions(Doc& doc, const Visit& visit) {
    visit("ActivCWContStr", doc.ActivCWContStr);
    visit("ActivCWSeqStr", doc.ActivCWSeqStr);
    visit("ActivPhContStr", doc.ActivPhContStr);
    visit("ActivPhSeqStr", doc.ActivPhSeqStr);
}

template <class Group, class Visit>
void VisitGroup(int n, Group& group, const Visit& visit) {
    visit(GroupValueName("DurNumber", n), group.DurNumber);
    visit(GroupValueName("Title", n), group.Title);
    for (int m = 0; m < kMessagesPerGroup; ++m) {
        visit(MessageValueName(n, m), group.Messages[m]);
    }
}

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

std::array<std::string, kComPorts> DefaultComDevices() {
    std::array<std::string, kComPorts> devices;
    for (int n = 0; n < kComPorts; ++n) {
        devices[n] =
            n < 4 ? "/dev/ttyS" + std::to_string(n) : "/dev/ttyUSB" + std::to_string(n - 4);
    }
    return devices;
}

CTarnwickDoc::CTarnwickDoc(SettingsStore* store) : store_(store) {}

CTarnwickDoc::~CTarnwickDoc() {
    Save();
}

bool CTarnwickDoc::OnNewDocument() {
    Fft = std::make_unique<FftEngine>();
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
    Mode = kCwMode;
    Contest = kSequencedPeriod;
    MyCall = "MYCALL";
    MyGrid = "EM00mm";
    HisCall = "HISCALL";
    ComPort.fill(0);
    LptPort.fill("0");
    LptAddress = 0;
    for (auto& row : PortMatrix) {
        std::fill(std::begin(row), std::end(row), 0);
    }
    CWPriority = 3;
    TXDelay = 0.2;
    TXFirst = 1;
    CWInd = 1;
    CWRate = 15;
    UseTRX = 0;
    SO2R = 0;
    FilterFreq = 1000;
    FilterWidth = 100;
    FilterBottomWidth = 200;
    DisplayGain = 20;
    DisplayCont = 0;
    DisplayAvg = 0;
    Report = "O";
    DotWgt = 1.0;
    DashWgt = 3.0;
    LetterSp = 3.0;
    WaveOut = -1;
    ManualSend = 0;
    ComDevice = DefaultComDevices();
    TrxHost = kDefaultTrxHost;
    TrxPort = kDefaultTrxPort;
    WaveOutName.clear();
    WorkingDir = CurrentDirectory();

    Groups.clear();
    for (const DefaultGroup& def : kDefaultGroups) {
        auto group = std::make_unique<MessageGroup>();
        group->Title = def.title;
        group->DurNumber = def.durNumber;
        std::copy(def.messages.begin(), def.messages.end(), group->Messages.begin());
        Groups.push_back(std::move(group));
    }
    NCWTitles = 2;
    NPhTitles = 2;
    ActivCWSeqStr = 0;
    ActivCWContStr = 1;
    ActivPhSeqStr = 2;
    ActivPhContStr = 3;
    initialised_ = true;
}

void CTarnwickDoc::LoadSettings(const SettingsStore& store) {
    const Reader read{store};
    VisitStationSettings(*this, read);
    if (const auto address = ParseHex16(LptPort[0])) {
        LptAddress = *address;
    }

    int nCw = NCWTitles;
    int nPh = NPhTitles;
    read("NCWTitles", nCw);
    read("NPhTitles", nPh);
    ResizeGroups(nCw, nPh);

    VisitDefaultPositions(*this, read);
    NormaliseDefaults();

    for (int n = 0; n < static_cast<int>(Groups.size()); ++n) {
        VisitGroup(n, *Groups[n], read);
    }
}

bool CTarnwickDoc::SaveSettings(SettingsStore& store) const {
    const Writer write{store};
    VisitStationSettings(*this, write);
    write("NCWTitles", NCWTitles);
    write("NPhTitles", NPhTitles);
    VisitDefaultPositions(*this, write);
    const MessageGroup empty;
    for (int n = 0; n < static_cast<int>(Groups.size()); ++n) {
        VisitGroup(n, Groups[n] ? *Groups[n] : empty, write);
    }
    return store.Flush();
}

bool CTarnwickDoc::Save() {
    if (store_ == nullptr || !initialised_) {
        return false;
    }
    return SaveSettings(*store_);
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
