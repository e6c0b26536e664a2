#pragma once

#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "app/OperatingForm.h"
#include "app/OperatingViewHooks.h"
#include "app/OperatorKeys.h"
#include "app/ViewNoticeSink.h"
#include "keyer/GridLookup.h"
#include "keyer/SessionListener.h"

class QFrame;
class QLineEdit;

namespace tarnwick {

class CMainFrame;
class CSpectrumView;
class Sidetone;
class CTarnwickDoc;
class KeyerSession;
class KeyingHardware;
class OperatingMenus;
struct BoxCheck;
class Prompter;
class TimeBase;
class UtcClock;
class ViewEditCommands;

// What the operating window is made with. Everything must outlive the window.
struct OperatingViewSetup {
    CMainFrame& frame;
    CTarnwickDoc& doc;
    Prompter& prompter;  // the boxes of the dialogs opened from the window
    TimeBase& time;      // the keyer's monotonic clock
    const UtcClock& clock;
    KeyingHardware& hardware;
    bool receive = true;  // listen between transmissions in CW mode, with the waterfall
};

// The operating window: the controls of the keyer's form over a keyer session, which it owns
// and which holds every rule. The window shows the session's state (SequencerState) and passes
// on the operator's intents; the session's notices reach it as posted events (ViewNoticeSink)
// and its clock tick comes from a one-shot timer armed for the next whole UTC second. Nothing
// here waits: PTT is raised by the session without a wait and the TX delay passes on the
// transmit worker, so ESC and the F-keys always get through.
//
// The frame's Edit, Setup (ports, message groups), Period and Mode commands are carried out
// here; stored fields go through the session's settings check and are saved by the frame.
class COperatingView : public QWidget, public OperatingViewHooks, private SessionListener {
    Q_OBJECT

public:
    explicit COperatingView(const OperatingViewSetup& setup);
    ~COperatingView() override;

    KeyerSession& Session() { return *session_; }
    const OperatingForm& Form() const { return form_; }
    ViewEditCommands& EditCommands() { return *edit_; }

    // The spectrum display's place (control 1107): `display` fills it, and the view owns it.
    void SetSpectrumDisplay(QWidget* display);
    // The waterfall in that place; null without a receive side.
    CSpectrumView* SpectrumDisplay() const { return spectrum_; }
    QFrame* DisplayArea() const { return form_.display; }

    // OperatingViewHooks.
    std::string SentText() const override;
    void DropSentTextFront(size_t count) override;
    void SignalTrxDone() override;

public slots:
    // The clock tick (the timer's; tests on a virtual clock call it themselves).
    void ClockTick();
    // A click on the spectrum display that the display turned into `frequency` Hz: a new
    // filter centre with the FIR filter on, or the refusal's message.
    void DisplayClicked(int frequency);

signals:
    // The Type button: the CW Sending Window is to open on Session().OpenManualSending().
    void CwSendingWindowRequested();
    // The session's live-CW news, for that window.
    void ManualSent();
    void ManualSendingEnded();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SessionListener, on this thread once the session call is over.
    PromptAnswer ShowBox(const std::string& text, PromptButtons buttons, Event* abandoned) override;
    void OnPttChanged(PttState state) override;
    void OnManualSent() override;
    void OnManualSendingEnded() override;
    void OnTxWatchdogStopped(const std::string& message) override;

    void ConnectControls();
    void ConnectBoxes();
    void LoadFromDocument();
    // Copies the session's state into the controls.
    void Refresh();
    void ArmTick();
    void ShowMessage(const std::string& text);
    void ShowStatus(const QString& text);
    // The waterfall follows the display and filter settings of the moment.
    void DisplaySettingsChanged();
    // A stored field: checked by the settings schema, then saved shortly.
    void Store(const char* name, const std::string& text);
    void Store(const char* name, int value);

    // The checks run when a box loses the focus.
    void BoxLeft(QObject* box);
    // The box shows the check's text (and its partner the pushed one), `stored` takes the
    // value, then the message is shown.
    void ApplyCheck(QLineEdit* box, const BoxCheck& check, QLineEdit* other, const char* stored);
    void WpmLeft();
    void DurationLeft();
    void CentreLeft();
    void WidthLeft();
    void BottomWidthLeft();
    void WpmArrow(int change);
    void SliderMoved(const char* name, int value);
    void Lookup();
    void LookupAnswered();
    void ToggleSo2r();
    void OpenTypeWindow();
    void OperatorKey(OperatorKeys::Key key);

    CMainFrame& frame_;
    CTarnwickDoc& doc_;
    Prompter& prompter_;
    TimeBase& time_;
    OperatingForm form_;
    ViewNoticeSink notices_{*this};
    std::unique_ptr<KeyerSession> session_;
    std::unique_ptr<OperatorKeys> keys_;
    std::unique_ptr<ViewEditCommands> edit_;
    std::unique_ptr<OperatingMenus> menus_;
    QTimer tick_;
    // The call-sign list is searched on a thread of its own; the window looks for the answer.
    GridLookup lookup_;
    QTimer lookupPoll_;
    // In the display's place, owned by it; its drawing thread ends before the session goes.
    CSpectrumView* spectrum_ = nullptr;
    // The live-CW sidetone, made when the CW Sending Window first opens; its tap stays with the
    // session until the view goes.
    std::unique_ptr<Sidetone> sidetone_;
    // Set while Refresh writes into the controls: those changes are not the operator's.
    bool refreshing_ = false;
    // Set while a box check's message is open, so that the focus it takes from other boxes
    // does not start their checks inside it.
    bool checking_ = false;
    bool closing_ = false;
    bool pttWarning_ = false;
    QPalette bufferPalette_;
    CwIndicator shownIndicator_ = CwIndicator::CwIdle;
    int shownHighlight_ = 0;
    std::string shownSentText_;
};

}  // namespace tarnwick
