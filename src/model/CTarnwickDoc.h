#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/MessageGroup.h"
#include "platform/Event.h"
#include "platform/WaveFormat.h"

namespace tarnwick {

class SettingsStore;

// Rows of the port matrix: three serial lines, the parallel port, the rig-control link.
inline constexpr int kPortRows = 5;
inline constexpr int kPortColumns = 3;  // PTT, CW, transmit inhibit
inline constexpr int kTrxRow = 4;
inline constexpr int kCwColumn = 1;

// COM1..COM8: each stands for a device path ("ComDevice1".."ComDevice8").
inline constexpr int kComPorts = 8;

// The group menus address list positions 0..100 with their command ids.
inline constexpr int kMaxGroups = 101;

// The one data object: station data, operating options, port assignment, receive settings,
// message groups and the run-time flags shared by the window, the engine and the receive and
// display threads. Fields are plain public data owned by the window's thread; workers read the
// settings only through snapshots taken there, and share only the atomic flags and events. The
// stored fields' names, types, defaults and limits are the settings schema's
// (model/SettingsSchema).
class CTarnwickDoc {
public:
    // `store` may be null (no persistence). When given, OnNewDocument reads it over the
    // defaults (loading the file first if nobody has) and the destructor writes every setting
    // back. The stored fields hold their defaults from construction on.
    explicit CTarnwickDoc(SettingsStore* store = nullptr);
    virtual ~CTarnwickDoc();
    CTarnwickDoc(const CTarnwickDoc&) = delete;
    CTarnwickDoc& operator=(const CTarnwickDoc&) = delete;

    bool OnNewDocument();
    void SetDefaults();
    // Missing, empty or unparsable values keep the field. A hand-edited store cannot break the
    // group list: each mode keeps at least one group, the list never exceeds kMaxGroups, and
    // default positions outside their mode's part go to the mode's first group.
    void LoadSettings(const SettingsStore& store);
    // Puts every setting into the store without writing the file.
    void StoreSettings(SettingsStore& store) const;
    // StoreSettings, then writes the file; false when it could not be written.
    bool SaveSettings(SettingsStore& store) const;
    // Saves into the store given at construction; safe at any time. False when there is no
    // store, the defaults were never set (nothing valid to save) or the write failed.
    bool Save();

    // Always a position of the current mode's part of the list once the defaults are set.
    int ActiveGroupPosition() const;
    // Whether the group at `position` is its kind's default for the current period, whatever
    // the mode: each group menu marks its own default.
    bool IsPeriodDefault(int position) const;

    // Group list editing; each keeps every invariant of the list.
    // Return false when the list is full (kMaxGroups).
    bool AddCwGroup(const std::string& title);
    bool AddPhoneGroup(const std::string& title);
    // False when the position is a default of its mode (or outside the list).
    bool DeleteGroup(int position);
    // mode 0 = CW, 1 = Phone; period as `Contest` (0 = Contest, 1 = Sequenced). False when the
    // position is not a group of that mode.
    bool SetDefault(int mode, int period, int position);
    bool Rename(int position, const std::string& title);
    // Resizes the list to new counts as when they are read from the settings file: the counts
    // are brought into range, groups past the new end are dropped, new positions get empty
    // groups, and defaults outside their mode's part go to its first group.
    void SetGroupCounts(int nCwTitles, int nPhTitles);
    // Takes over an edited list. Refused (false, nothing changed) when the list holds a null
    // group, more than kMaxGroups groups, a mode without groups, or not exactly
    // nCwTitles + nPhTitles groups; defaults outside their mode go to the mode's first group.
    bool CommitGroups(std::vector<std::unique_ptr<MessageGroup>> groups, int nCwTitles,
                      int nPhTitles, int activCwCont, int activCwSeq, int activPhCont,
                      int activPhSeq);
    bool IsCwPosition(int position) const { return position >= 0 && position < NCWTitles; }
    bool IsPhonePosition(int position) const {
        return position >= NCWTitles && position < NCWTitles + NPhTitles;
    }

    // Persisted fields (the stored value names); their defaults are in the settings schema.
    int Mode{};     // 0 = CW, 1 = Phone
    int Contest{};  // 0 = Contest period, 1 = Sequenced (EME) period
    std::string MyCall;
    std::string MyGrid;
    std::string HisCall;
    std::array<int, 3> ComPort{};
    std::array<std::string, 1> LptPort;
    int PortMatrix[kPortRows][kPortColumns]{};
    int CWPriority{};
    double TXDelay{};
    int TXFirst{};
    int CWInd{};
    unsigned CWRate{};
    int UseTRX{};
    int SO2R{};
    int FilterFreq{};
    int FilterWidth{};
    int FilterBottomWidth{};
    int DisplayGain{};
    int DisplayCont{};
    int DisplayAvg{};
    std::string Report;
    double DotWgt{};
    double DashWgt{};
    double LetterSp{};
    int WaveOut{};
    int ManualSend{};
    int NCWTitles{};
    int NPhTitles{};
    int ActivCWContStr{};
    int ActivCWSeqStr{};
    int ActivPhContStr{};
    int ActivPhSeqStr{};
    // The device path behind each COM number ("ComDevice1".."ComDevice8").
    std::array<std::string, kComPorts> ComDevice;
    // Where the rig-control daemon listens ("TrxHost", "TrxPort").
    std::string TrxHost;
    int TrxPort{};
    // The name of the sound device `WaveOut` chose ("WaveOutName"), so that the choice holds
    // when the device list changes; empty for the default device or a choice by number alone.
    std::string WaveOutName;
    // The sidetone of live typing: a tone on the sound card that follows the key ("Sidetone",
    // off by default), at "SidetoneFreq" Hz.
    int Sidetone{};
    int SidetoneFreq{};
    // Minutes without any operator action after which automatic sending stops ("TxWatchdog");
    // 0 turns the watchdog off.
    int TxWatchdog{};

    // Derived from LptPort[0] as hexadecimal when settings are loaded or port settings accepted.
    int16_t LptAddress = 0;

    // Run-time flags, never stored. Written by one thread, polled by others.
    std::atomic<int> Transmitting{0};
    std::atomic<int> DisplayBusy{1};
    // Run-time settings of the window's thread, never stored. Like the stored receive and
    // display settings they reach the workers only as snapshots (ReceiveSettings,
    // DisplaySettings), never read here while the window may write them.
    int FirFilter = 0;
    int FftFilter = 0;
    std::string WorkingDir;
    Event DataReadyEvent{ResetMode::Auto};
    Event RedrawEvent{ResetMode::Auto};
    WaveFormat CaptureFormat;
    WaveFormat PlaybackFormat;

    std::vector<std::unique_ptr<MessageGroup>> Groups;

private:
    void ResizeGroups(int nCwTitles, int nPhTitles);
    void NormaliseDefaults();
    void ShiftDefaults(int from, int delta);
    // Counts, list length and groups agree; the editing operations refuse to work otherwise.
    bool ListIsConsistent() const;

    SettingsStore* store_;
    // Set by SetDefaults; before it the document holds no valid settings to save.
    bool initialised_ = false;
};

}  // namespace tarnwick
