#pragma once

#include <cstddef>
#include <string>

namespace tarnwick {

// What the main frame needs from the operating view, which fills the frame's central area
// (CMainFrame::SetOperatingView). The view implements it on top of the keyer session.
//
// The other direction goes through the frame's public slots and accessors:
// - CMainFrame::RefreshSentTextPane() whenever the transmitted-CW text changed;
// - CMainFrame::Action(id) for the commands the view carries out (Edit, Setup, Period, Mode;
//   see IsViewCommand): the view connects their triggered() signals and sets their enabled
//   and checked states; they stay disabled until then;
// - CMainFrame::CwGroupMenu() / PhoneGroupMenu() to list the groups (the frame shows the
//   group prompt for any action with a group command id);
// - CMainFrame::SettingsChanged() after every change of a stored field and
//   CMainFrame::SaveSettingsNow() after a dialog's OK;
// - CMainFrame::OpenProgramSettings(changer) for Setup > Prog Settings, with the session's
//   ChangeSetting as the changer (it saves after OK itself).
class OperatingViewHooks {
public:
    virtual ~OperatingViewHooks() = default;

    // The characters sent during the current transmission.
    virtual std::string SentText() const = 0;
    // Removes the first `count` bytes (always whole characters): the status pane shows only
    // what fits, and the text must not grow without bound.
    virtual void DropSentTextFront(size_t count) = 0;
    // The rig-control program reported the end of its sending; the view passes it to the
    // transmit engine (TransmitEngine::SignalTrxDone).
    virtual void SignalTrxDone() = 0;
};

}  // namespace tarnwick
