#include "app/CTarnwickApp.h"

#include <QCoreApplication>

#include "app/AutomationServer.h"
#include "app/CMainFrame.h"
#include "app/NoticeEventTypes.h"
#include "app/SingleInstance.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "model/WindowPos.h"
#include "platform/Prompter.h"

namespace tarnwick {

StartOptions ParseStartOptions(const QStringList& arguments) {
    StartOptions options;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--automation") || argument == QLatin1String("--embedding")) {
            options.automation = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (options.unknown.empty()) {
            options.unknown = argument.toStdString();
        }
    }
    return options;
}

CTarnwickApp::CTarnwickApp(Prompter& prompter, TimeBase& time, QString instanceKey,
                           ViewFactory viewFactory)
    : prompter_(prompter),
      time_(time),
      viewFactory_(std::move(viewFactory)),
      instance_(std::make_unique<SingleInstance>(instanceKey)) {}

CTarnwickApp::~CTarnwickApp() = default;

bool CTarnwickApp::InitInstance(const StartOptions& options) {
    if (!RegisterNoticeEventTypes()) {
        prompter_.Show("The keyer's notice events could not be reserved.");
        return false;
    }
    switch (instance_->ClaimInstance()) {
        case SingleInstance::Claim::First:
            break;
        case SingleInstance::Claim::RaisedRunningCopy:
            return false;
        case SingleInstance::Claim::RunningCopyWithoutWindow:
            if (prompter_.Ask(kAnotherCopyQuestion, PromptButtons::YesNo) != PromptAnswer::Yes) {
                return false;
            }
            break;
    }

    store_ = std::make_unique<SettingsStore>(SettingsStore::DefaultPath());
    if (options.automation) {
        automation_ = std::make_unique<AutomationServer>();
        automationRegistered_ = automation_->Register();
        instance_->SetHasWindow(false);
        return true;
    }

    doc_ = std::make_unique<CTarnwickDoc>(store_.get());
    doc_->OnNewDocument();
    frame_ = std::make_unique<CMainFrame>(*doc_, *store_, prompter_, time_);
    if (viewFactory_) {
        viewFactory_(*frame_, *doc_, prompter_);
    }
    if (const auto pos = ReadWindowPos(*store_)) {
        frame_->ApplyWindowPos(*pos);
    }
    frame_->show();
    instance_->SetHasWindow(true);
    connect(instance_.get(), &SingleInstance::RaiseRequested, frame_.get(),
            &CMainFrame::BringToFront);
    return true;
}

bool CTarnwickApp::ServesAutomation() const {
    return automationRegistered_;
}

void CTarnwickApp::Shutdown() {
    if (frame_ && frame_->isVisible()) {
        // Closing the last window ends the event loop.
        frame_->close();
        return;
    }
    QCoreApplication::quit();
}

}  // namespace tarnwick
