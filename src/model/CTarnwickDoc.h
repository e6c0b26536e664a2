#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/MessageGroup.h"
#include "model/WaveFormat.h"
#include "platform/Event.h"

namespace tarnwick {

class SettingsStore;

// Rows of the port matrix: three serial lines, the parallel port, the rig-control link.
inline constexpr int kPortRows = 5;
inline constexpr int kPortColumns = 3;  // PTT, CW, transmit inhibit
inline constexpr int kTrxRow = 4;
inline constexpr int kCwColumn = 1;

// The group menus address list positions 0..100 with their command ids.
inline constexpr int kMaxGroups = 101;

// The one data object: station data, operating options, port assignment, receive settings,
// message groups and the run-time flags shared by the window, the engine and the receive and
// display threads. Fields are plain public data, read and written directly.
class CTarnwickDoc {
public:
    // `store` may be null (no persistence). When given, OnNewDocument reads it over the
    // defaults and the destructor writes every setting back.
    explicit CTarnwickDoc(SettingsStore* store = nullptr);
    virtual ~CTarnwickDoc();
    CTarnwickDoc(const CTarnwickDoc&) = delete;
    CTarnwickDoc& operator=(const CTarnwickDoc&) = delete;

    bool OnNewDocument();
    void SetDefaults();
    void LoadSettings(const SettingsStore& store);
    // Returns false when the store could not be written.
    bool SaveSettings(SettingsStore& store) const;
    // Saves into the store given at construction (if any); safe at any time.
    bool Save();

    int ActiveGroupPosition() const;

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
    void CommitGroups(std::vector<std::unique_ptr<MessageGroup>> groups, int nCwTitles,
                      int nPhTitles, int activCwCont, int activCwSeq, int activPhCont,
                      int activPhSeq);
    bool IsCwPosition(int position) const { return position >= 0 && position < NCWTitles; }
    bool IsPhonePosition(int position) const {
        return position >= NCWTitles && position < NCWTitles + NPhTitles;
    }

    // Persisted fields (the stored value names).
    int Mode = 0;     // 0 = CW, 1 = Phone
    int Contest = 1;  // 0 = Contest period, 1 = Sequenced (EME) period
    std::string MyCall;
    std::string MyGrid;
    std::string HisCall;
    std::array<int, 3> ComPort{};
    std::array<std::string, 1> LptPort;
    int PortMatrix[kPortRows][kPortColumns]{};
    int CWPriority = 3;
    double TXDelay = 0.2;
    int TXFirst = 1;
    int CWInd = 1;
    unsigned CWRate = 15;
    int UseTRX = 0;
    int SO2R = 0;
    int FilterFreq = 1000;
    int FilterWidth = 100;
    int FilterBottomWidth = 200;
    int DisplayGain = 20;
    int DisplayCont = 0;
    int DisplayAvg = 0;
    std::string Report;
    double DotWgt = 1.0;
    double DashWgt = 3.0;
    double LetterSp = 3.0;
    int WaveOut = -1;
    int ManualSend = 0;
    int NCWTitles = 2;
    int NPhTitles = 2;
    int ActivCWContStr = 1;
    int ActivCWSeqStr = 0;
    int ActivPhContStr = 3;
    int ActivPhSeqStr = 2;

    // Derived from LptPort[0] as hexadecimal when settings are loaded or port settings accepted.
    int16_t LptAddress = 0;

    // Run-time fields, never stored. Written by one thread, polled by others.
    std::atomic<int> Transmitting{0};
    std::atomic<int> DisplayBusy{1};
    std::atomic<int> FirFilter{0};
    std::atomic<int> FftFilter{0};
    std::atomic<int> FilterChanged{1};
    std::string WorkingDir;
    Event DataReadyEvent{ResetMode::Auto};
    Event RedrawEvent{ResetMode::Auto};
    WaveFormat CaptureFormat;
    WaveFormat PlaybackFormat;

    std::vector<std::unique_ptr<MessageGroup>> Groups;

private:
    SettingsStore* store_;
};

}  // namespace tarnwick
