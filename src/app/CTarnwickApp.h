#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

namespace tarnwick {

class AutomationServer;
class CMainFrame;
class CTarnwickDoc;
class Prompter;
class SettingsStore;
class SingleInstance;
class TimeBase;

inline constexpr const char* kAnotherCopyQuestion =
    "Another copy of Tarnwick is already running.\nContinue anyway?";

// What the command line asks for.
struct StartOptions {
    // --automation or --embedding: serve automation clients, show no window.
    bool automation = false;
    bool help = false;
    // The first argument that is not understood; empty when all were.
    std::string unknown;
};

// `arguments` without the program name (and without Qt's own options, which QApplication has
// taken out).
StartOptions ParseStartOptions(const QStringList& arguments);

// Starts the program: keeps a second copy from starting (or brings the running copy to the
// front), serves automation clients when asked to, and otherwise creates the document (which
// reads the settings file), the main frame with the operating view, restores the window
// placement and shows the window.
class CTarnwickApp : public QObject {
    Q_OBJECT

public:
    // Builds the operating view and hands it to the frame (CMainFrame::SetOperatingView).
    using ViewFactory = std::function<void(CMainFrame&, CTarnwickDoc&, Prompter&)>;

    // `instanceKey`: the name the single-instance lock and socket carry (the executable's).
    CTarnwickApp(Prompter& prompter, TimeBase& time, QString instanceKey,
                 ViewFactory viewFactory = {});
    ~CTarnwickApp() override;

    // False when the program is to end now: the running copy was brought to the front, the
    // operator chose not to start a second copy, or the notice events could not be reserved.
    bool InitInstance(const StartOptions& options);

    CMainFrame* MainFrame() const { return frame_.get(); }
    CTarnwickDoc* Document() const { return doc_.get(); }
    SingleInstance& Instance() const { return *instance_; }
    // Whether the automation name is registered on the session bus.
    bool ServesAutomation() const;

public slots:
    // Ends the program the way closing its window does.
    void Shutdown();

private:
    Prompter& prompter_;
    TimeBase& time_;
    ViewFactory viewFactory_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<AutomationServer> automation_;
    bool automationRegistered_ = false;
    // Destroyed in reverse: the frame (and the view) before the document, which saves the
    // settings into the store.
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CTarnwickDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace tarnwick
