#include "app/COperatingView.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/CMainFrame.h"
#include "app/MessageBoxes.h"
#include "app/OperatingMenus.h"
#include "app/OperatingPictures.h"
#include "app/OperatorKeys.h"
#include "app/UpDownArrows.h"
#include "app/ViewEditCommands.h"
#include "audio/Sidetone.h"
#include "audio/SpectrumHandOver.h"
#include "display/CSpectrumView.h"
#include "editors/CCwSendingWindow.h"
#include "keyer/BoxChecks.h"
#include "keyer/CallsignLookup.h"
#include "keyer/KeyerSession.h"
#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"
#include "send/ManualSender.h"

namespace tarnwick {
namespace {

// The WPM arrows stay within these speeds, although slower ones may be typed.
constexpr int kArrowMinWpm = 5;
constexpr int kArrowMaxWpm = 50;
// How often the window looks for the call-sign search's answer while one is due.
constexpr int kLookupPollMs = 20;

Picture PictureOf(CwIndicator indicator) {
    switch (indicator) {
        case CwIndicator::CwIdle:
            return Picture::CwIdle;
        case CwIndicator::CwTransmitting:
            return Picture::CwTransmitting;
        case CwIndicator::PhoneIdle:
            return Picture::PhoneIdle;
        case CwIndicator::PhoneTransmitting:
            return Picture::PhoneTransmitting;
    }
    return Picture::CwIdle;
}

void ShowPicture(QPushButton* button, Picture picture) {
    button->setIcon(PictureIcon(picture));
    button->setProperty("picture", QString::fromLatin1(PictureName(picture)));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void SetTextIfDifferent(QLineEdit* edit, const std::string& text) {
    const QString wanted = Q(text);
    if (edit->text() != wanted) {
        edit->setText(wanted);
        // A long text shows its start, as the operator reads it.
        if (!edit->hasFocus()) {
            edit->setCursorPosition(0);
        }
    }
}

}  // namespace

COperatingView::COperatingView(const OperatingViewSetup& setup)
    : frame_(setup.frame),
      doc_(setup.doc),
      prompter_(setup.prompter),
      time_(setup.time),
      form_(BuildOperatingForm(*this)) {
    session_ = std::make_unique<KeyerSession>(
        KeyerSessionSetup{doc_, notices_, static_cast<SessionListener&>(*this), time_, setup.clock,
                          setup.hardware, setup.receive});
    if (SpectrumHandOver* spectrum = session_->Spectrum()) {
        spectrum_ = new CSpectrumView(doc_, *spectrum, time_);
        SetSpectrumDisplay(spectrum_);
        connect(spectrum_, &CSpectrumView::FrequencyClicked, this, &COperatingView::DisplayClicked);
    }
    bufferPalette_ = form_.buffers[0]->palette();
    LoadFromDocument();
    ConnectControls();
    ConnectBoxes();
    keys_ =
        std::make_unique<OperatorKeys>(*this, [this](OperatorKeys::Key key) { OperatorKey(key); });
    edit_ = std::make_unique<ViewEditCommands>(frame_, doc_, form_.buffers, *this);
    menus_ = std::make_unique<OperatingMenus>(
        frame_, doc_, *session_, prompter_, *this,
        OperatingMenus::Hooks{[this] { return form_.call->text().toStdString(); },
                              [this] {
                                  Refresh();
                                  frame_.SettingsChanged();
                              }});
    session_->Start();
    Refresh();
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &COperatingView::ClockTick);
    lookupPoll_.setInterval(kLookupPollMs);
    connect(&lookupPoll_, &QTimer::timeout, this, &COperatingView::LookupAnswered);
    ArmTick();
}

COperatingView::~COperatingView() {
    closing_ = true;
    tick_.stop();
    keys_.reset();
    // Nothing may reach the session while it goes (a box it shows runs an event loop).
    menus_.reset();
    // The drawing thread reads the session's spectra: it ends first, within a line. PTT is
    // down and the devices released before any control goes.
    if (spectrum_) {
        spectrum_->StopDrawing();
    }
    session_.reset();
    sidetone_.reset();
}

void COperatingView::LoadFromDocument() {
    refreshing_ = true;
    form_.wpm->setText(QString::number(doc_.CWRate));
    form_.report->setText(Q(doc_.Report));
    form_.call->setText(Q(doc_.HisCall));
    form_.filterFreq->setText(QString::number(doc_.FilterFreq));
    form_.filterWidth->setText(QString::number(doc_.FilterWidth));
    form_.filterBottomWidth->setText(QString::number(doc_.FilterBottomWidth));
    form_.firFilter->setChecked(doc_.FirFilter != 0);
    form_.fftFilter->setChecked(doc_.FftFilter != 0);
    form_.contrast->setValue(doc_.DisplayCont);
    form_.gain->setValue(doc_.DisplayGain);
    form_.averaging->setValue(doc_.DisplayAvg);
    ShowPicture(form_.so2r, doc_.SO2R == 1 ? Picture::RadioB : Picture::RadioA);
    ShowPicture(form_.cwIndicator, Picture::CwIdle);
    refreshing_ = false;
    // For %T in the buffers generated at the start.
    session_->CallTextChanged(doc_.HisCall);
}

void COperatingView::ConnectControls() {
    const auto intent = [this](QAbstractButton* button, auto action) {
        connect(button, &QAbstractButton::clicked, this, [this, action] {
            action();
            Refresh();
        });
    };
    intent(form_.autoButton, [this] { session_->ToggleAuto(); });
    intent(form_.txStop, [this] { session_->StopTransmission(); });
    intent(form_.genStdMsgs, [this] {
        // A report typed but not yet left reaches the buffers too.
        Store("Report", form_.report->text().toStdString());
        session_->GenerateStandardMessages();
    });
    intent(form_.lookup, [this] { Lookup(); });
    intent(form_.so2r, [this] { ToggleSo2r(); });
    intent(form_.type, [this] { OpenTypeWindow(); });
    intent(form_.txFirst, [this] { Store("TXFirst", form_.txFirst->isChecked() ? 1 : 0); });
    intent(form_.cwIndicator, [this] { Store("CWInd", form_.cwIndicator->isChecked() ? 1 : 0); });
    intent(form_.firFilter, [this] {
        session_->SetFirFilter(form_.firFilter->isChecked());
        DisplaySettingsChanged();
    });
    intent(form_.fftFilter, [this] { session_->SetFftFilter(form_.fftFilter->isChecked()); });
    for (int k = 0; k < kBufferCount; ++k) {
        intent(form_.txButtons[k], [this, k] { session_->PressTx(k + 1); });
        connect(form_.buffers[k], &QLineEdit::textChanged, this, [this, k](const QString& text) {
            if (!refreshing_) {
                session_->SetBufferText(k + 1, text.toStdString());
            }
        });
    }
    connect(form_.nextGroup, &QButtonGroup::idClicked, this, [this](int k) {
        session_->SelectNextBuffer(k);
        Refresh();
    });
    const auto typed = [this](QLineEdit* edit, auto action) {
        connect(edit, &QLineEdit::textChanged, this, [this, action](const QString& text) {
            if (!refreshing_) {
                action(text.toStdString());
            }
        });
    };
    typed(form_.duration, [this](const std::string& t) { session_->SetDurationText(t); });
    typed(form_.pause, [this](const std::string& t) { session_->SetPauseText(t); });
    typed(form_.call, [this](const std::string& t) {
        session_->CallTextChanged(t);
        // Kept at once, so that neither a crash nor the close loses it.
        Store("HisCall", t);
    });
    connect(form_.startArrows, &UpDownArrows::up, this, [this] {
        session_->StartTimeUp();
        Refresh();
    });
    connect(form_.startArrows, &UpDownArrows::down, this, [this] {
        session_->StartTimeDown();
        Refresh();
    });
    connect(form_.wpmArrows, &UpDownArrows::up, this, [this] { WpmArrow(+1); });
    connect(form_.wpmArrows, &UpDownArrows::down, this, [this] { WpmArrow(-1); });
    const auto slider = [this](QSlider* s, const char* name) {
        connect(s, &QSlider::sliderReleased, this,
                [this, s, name] { SliderMoved(name, s->value()); });
        // Keys and clicks beside the handle move it without a drag.
        connect(s, &QSlider::valueChanged, this, [this, s, name](int value) {
            if (!refreshing_ && !s->isSliderDown()) {
                SliderMoved(name, value);
            }
        });
    };
    slider(form_.gain, "DisplayGain");
    slider(form_.contrast, "DisplayCont");
    slider(form_.averaging, "DisplayAvg");
}

void COperatingView::ConnectBoxes() {
    for (QLineEdit* box : {form_.wpm, form_.duration, form_.report, form_.startTime, form_.call,
                           form_.filterFreq, form_.filterWidth, form_.filterBottomWidth}) {
        box->installEventFilter(this);
    }
}

bool COperatingView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !closing_ && !checking_ &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        BoxLeft(watched);
    }
    return QWidget::eventFilter(watched, event);
}

void COperatingView::BoxLeft(QObject* box) {
    if (box == form_.wpm) {
        WpmLeft();
    } else if (box == form_.duration) {
        DurationLeft();
    } else if (box == form_.report) {
        Store("Report", form_.report->text().toStdString());
    } else if (box == form_.startTime) {
        session_->StartTimeEdited(form_.startTime->text().toStdString());
    } else if (box == form_.call) {
        session_->CallBoxLeft();
    } else if (box == form_.filterFreq) {
        CentreLeft();
    } else if (box == form_.filterWidth) {
        WidthLeft();
    } else if (box == form_.filterBottomWidth) {
        BottomWidthLeft();
    }
    Refresh();
}

void COperatingView::ApplyCheck(QLineEdit* box, const BoxCheck& check, QLineEdit* other,
                                const char* stored) {
    box->setText(Q(check.boxText));
    if (other != nullptr && check.otherBoxText) {
        other->setText(Q(*check.otherBoxText));
    }
    if (stored != nullptr && check.stored) {
        Store(stored, *check.stored);
    }
    if (check.message) {
        ShowMessage(*check.message);
    }
}

void COperatingView::WpmLeft() {
    ApplyCheck(form_.wpm, CheckWpmBox(form_.wpm->text().toStdString()), nullptr, "CWRate");
}

void COperatingView::DurationLeft() {
    ApplyCheck(form_.duration, CheckDurationBox(form_.duration->text().toStdString()), nullptr,
               nullptr);
}

void COperatingView::CentreLeft() {
    ApplyCheck(form_.filterFreq,
               CheckCentreBox(form_.filterFreq->text().toStdString(), doc_.FilterFreq), nullptr,
               "FilterFreq");
}

void COperatingView::WidthLeft() {
    ApplyCheck(form_.filterWidth,
               CheckWidthBox(form_.filterWidth->text().toStdString(), doc_.FilterWidth,
                             doc_.FilterBottomWidth),
               form_.filterBottomWidth, "FilterWidth");
}

void COperatingView::BottomWidthLeft() {
    ApplyCheck(form_.filterBottomWidth,
               CheckBottomWidthBox(form_.filterBottomWidth->text().toStdString(), doc_.FilterWidth,
                                   doc_.FilterBottomWidth),
               form_.filterWidth, "FilterBottomWidth");
}

void COperatingView::WpmArrow(int change) {
    const int speed = BoxNumber(form_.wpm->text().toStdString()) + change;
    if (speed < kArrowMinWpm || speed > kArrowMaxWpm) {
        return;
    }
    form_.wpm->setText(QString::number(speed));
    // Kept at once: the box must never show a speed the keying does not use.
    Store("CWRate", speed);
    Refresh();
}

void COperatingView::SliderMoved(const char* name, int value) {
    Store(name, value);
}

void COperatingView::Lookup() {
    // A press while a search runs is ignored (the search takes milliseconds unless the disk
    // is slow); its answer shows only if the box still holds the call it was made for.
    if (lookup_.Start(kCallsignFileName, form_.call->text().toStdString())) {
        lookupPoll_.start();
    }
}

void COperatingView::LookupAnswered() {
    if (lookup_.Running()) {
        return;
    }
    lookupPoll_.stop();
    if (const auto grid = lookup_.Take(form_.call->text().toStdString())) {
        form_.grid->setText(Q(*grid));
    }
}

void COperatingView::ToggleSo2r() {
    Store("SO2R", 1 - doc_.SO2R);
    ShowPicture(form_.so2r, doc_.SO2R == 1 ? Picture::RadioB : Picture::RadioA);
}

void COperatingView::OpenTypeWindow() {
    session_->DropSentTextFront(session_->State().sentText.size());
    Refresh();
    emit CwSendingWindowRequested();
    ManualSender* sender = session_->OpenManualSending();
    if (sender == nullptr) {
        ShowStatus(
            QStringLiteral("Live CW cannot start while a message is sent or the rig "
                           "program keys CW"));
        return;
    }
    if (!sidetone_) {
        sidetone_ = std::make_unique<Sidetone>();
        session_->SetKeyTap(&sidetone_->Tap());
    }
    CCwSendingWindow window(doc_, *sender, sidetone_.get(), this);
    const QMetaObject::Connection sent =
        connect(this, &COperatingView::ManualSent, &window,
                [&window] { window.HandleNotice(kManualSendSent, 0, 0); });
    const QMetaObject::Connection ended =
        connect(this, &COperatingView::ManualSendingEnded, &window,
                [&window] { window.HandleNotice(kManualSendEnded, 0, 0); });
    window.exec();
    disconnect(sent);
    disconnect(ended);
    // Key up and PTT down already, by the window's close; the sender goes now.
    session_->CloseManualSending();
    frame_.SaveSettingsNow();
    Refresh();
}

void COperatingView::OperatorKey(OperatorKeys::Key key) {
    switch (key) {
        case OperatorKeys::Key::Escape:
            session_->StopTransmission();
            break;
        case OperatorKeys::Key::F12:
            session_->ToggleAuto();
            break;
        default:
            session_->PressFunctionKey(static_cast<int>(key) + 1);
            break;
    }
    Refresh();
}

void COperatingView::DisplayClicked(int frequency) {
    const DisplayClick click = CheckDisplayClick(frequency);
    if (click.message) {
        ShowMessage(*click.message);
        return;
    }
    Store("FilterFreq", *click.filterFreq);
    form_.filterFreq->setText(QString::number(*click.filterFreq));
    form_.firFilter->setChecked(true);
    session_->SetFirFilter(true);
    DisplaySettingsChanged();
    Refresh();
}

void COperatingView::DisplaySettingsChanged() {
    if (spectrum_) {
        spectrum_->SettingsChanged();
    }
}

void COperatingView::Store(const char* name, const std::string& text) {
    const SettingChange change = session_->ChangeSetting(name, text);
    if (change.result == SettingChange::Result::Changed) {
        DisplaySettingsChanged();
        frame_.SettingsChanged();
    } else if (!change.message.empty()) {
        ShowMessage(change.message);
    }
}

void COperatingView::Store(const char* name, int value) {
    Store(name, std::to_string(value));
}

void COperatingView::ShowMessage(const std::string& text) {
    ShowBox(text, PromptButtons::Ok, nullptr);
}

void COperatingView::ShowStatus(const QString& text) {
    frame_.MessagePane()->setText(text);
}

void COperatingView::ClockTick() {
    if (closing_) {
        return;
    }
    session_->ClockTick();
    Refresh();
    ArmTick();
}

void COperatingView::ArmTick() {
    tick_.start(session_->MsUntilNextTick());
}

bool COperatingView::event(QEvent* event) {
    if (!ViewNoticeSink::IsNoticeEvent(event->type())) {
        return QWidget::event(event);
    }
    std::optional<Notice> notice = notices_.Take();
    if (notice && session_) {
        session_->HandleNotice(*notice);
        Refresh();
    }
    return true;
}

void COperatingView::Refresh() {
    if (!session_) {
        return;
    }
    const SequencerState& s = session_->State();
    refreshing_ = true;
    if (form_.clock->toPlainText() != Q(s.clockText)) {
        form_.clock->setPlainText(Q(s.clockText));
    }
    // The operator's typing in the start-time box wins until the box is left.
    if (!(form_.startTime->hasFocus() && form_.startTime->isModified())) {
        SetTextIfDifferent(form_.startTime, s.startTimeText);
    }
    SetTextIfDifferent(form_.duration, s.durationText);
    SetTextIfDifferent(form_.pause, s.pauseText);
    for (int k = 0; k < kBufferCount; ++k) {
        SetTextIfDifferent(form_.buffers[k], s.buffers[k]);
        form_.txButtons[k]->setEnabled(s.txButtonsEnabled);
    }
    // The buffer being sent, black on yellow.
    const int highlighted = session_->HighlightedBuffer();
    if (highlighted != shownHighlight_) {
        if (shownHighlight_ != 0) {
            form_.buffers[shownHighlight_ - 1]->setPalette(bufferPalette_);
        }
        if (highlighted != 0) {
            QPalette sent = bufferPalette_;
            sent.setColor(QPalette::Base, Qt::yellow);
            sent.setColor(QPalette::Text, Qt::black);
            form_.buffers[highlighted - 1]->setPalette(sent);
        }
        shownHighlight_ = highlighted;
    }
    form_.nextRadios[s.selectedBuffer - 1]->setChecked(true);
    form_.txFirst->setChecked(s.txFirst);
    form_.cwIndicator->setChecked(doc_.CWInd != 0);
    form_.autoButton->setText(Q(s.autoButtonText));
    form_.txStop->setEnabled(s.txStopEnabled);
    if (s.indicator != shownIndicator_) {
        shownIndicator_ = s.indicator;
        ShowPicture(form_.cwIndicator, PictureOf(s.indicator));
    }
    form_.type->setEnabled(s.typeEnabled);
    for (QWidget* w : std::initializer_list<QWidget*>{form_.wpm, form_.wpmLabel, form_.wpmArrows,
                                                      form_.genStdMsgs}) {
        w->setEnabled(s.cwControlsEnabled);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{form_.seqLabel, form_.duration, form_.startLabel,
                                         form_.startTime, form_.startArrows}) {
        w->setEnabled(s.sequenceControlsEnabled);
    }
    form_.pauseLabel->setEnabled(!s.sequenceControlsEnabled);
    form_.pause->setEnabled(!s.sequenceControlsEnabled);
    refreshing_ = false;
    if (menus_) {
        menus_->UpdateMarks();
    }
    if (s.sentText != shownSentText_) {
        frame_.RefreshSentTextPane();
        shownSentText_ = session_->State().sentText;
    }
}

void COperatingView::SetSpectrumDisplay(QWidget* display) {
    form_.display->layout()->addWidget(display);
}

std::string COperatingView::SentText() const {
    return session_ ? session_->State().sentText : std::string();
}

void COperatingView::DropSentTextFront(size_t count) {
    if (session_) {
        session_->DropSentTextFront(count);
    }
}

void COperatingView::SignalTrxDone() {
    if (session_) {
        session_->SignalTrxDone();
    }
}

PromptAnswer COperatingView::ShowBox(const std::string& text, PromptButtons buttons,
                                     Event* abandoned) {
    std::function<bool()> gaveUp;
    if (abandoned != nullptr) {
        gaveUp = [this, abandoned] { return abandoned->IsSignalled(time_.NowNs()); };
    }
    // The box takes the focus from the boxes: that is no reason to check them.
    const bool wasChecking = checking_;
    checking_ = true;
    const PromptAnswer answer = ShowKeyerBox(this, text, buttons, gaveUp);
    checking_ = wasChecking;
    return answer;
}

void COperatingView::OnPttChanged(PttState state) {
    if (state == PttState::Unconfirmed) {
        pttWarning_ = true;
        ShowStatus(QStringLiteral("PTT may still be up: its drop was not confirmed"));
    } else if (state == PttState::Down && pttWarning_) {
        pttWarning_ = false;
        ShowStatus(QString::fromLatin1(CMainFrame::kIdleMessage));
    }
}

void COperatingView::OnManualSent() {
    emit ManualSent();
}

void COperatingView::OnManualSendingEnded() {
    emit ManualSendingEnded();
}

void COperatingView::OnTxWatchdogStopped(const std::string& message) {
    ShowStatus(Q(message));
}

}  // namespace tarnwick
