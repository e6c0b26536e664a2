#include "app/SoundRecorderDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/SoundCard.h"
#include "platform/Prompter.h"
#include "platform/TimeBase.h"

namespace tarnwick {
namespace {

// The meter and the length follow the recording this often.
constexpr int kPollMs = 50;
// The meter shows 60 dB, from -60 dBFS to full scale.
constexpr int kMeterDecibels = 60;

int MeterValue(double level) {
    if (level <= 0) {
        return 0;
    }
    const double db = 20 * std::log10(level);
    return static_cast<int>(std::lround(std::clamp(db + kMeterDecibels, 0.0, 60.0)));
}

}  // namespace

SoundRecorderDialog::SoundRecorderDialog(Prompter& prompter, int device, std::string workingDir,
                                         QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      device_(device),
      workingDir_(std::move(workingDir)),
      recorder_(std::make_unique<SoundRecorder>(prompter, RealTime())),
      record_(new QPushButton(QStringLiteral("&Record"), this)),
      stop_(new QPushButton(QStringLiteral("S&top"), this)),
      play_(new QPushButton(QStringLiteral("&Play"), this)),
      save_(new QPushButton(QStringLiteral("&Save"), this)),
      name_(new QLineEdit(this)),
      meter_(new QProgressBar(this)),
      length_(new QLabel(this)),
      status_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Sound Recorder"));
    meter_->setRange(0, kMeterDecibels);
    meter_->setTextVisible(false);
    meter_->setToolTip(QStringLiteral("Recording level, 60 dB up to full scale"));
    name_->setPlaceholderText(QStringLiteral("MSvoiceCQ.wav"));
    status_->setWordWrap(true);

    auto* layout = new QGridLayout(this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {record_, stop_, play_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Level:"), this), 1, 0);
    layout->addWidget(meter_, 1, 1);
    layout->addWidget(length_, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("File name:"), this), 2, 0);
    layout->addWidget(name_, 2, 1);
    layout->addWidget(save_, 2, 2);
    layout->addWidget(status_, 3, 0, 1, 3);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(close, 4, 0, 1, 3);
    setMinimumWidth(420);

    connect(record_, &QPushButton::clicked, this, &SoundRecorderDialog::Record);
    connect(stop_, &QPushButton::clicked, this, &SoundRecorderDialog::StopRecorder);
    connect(play_, &QPushButton::clicked, this, &SoundRecorderDialog::Play);
    connect(save_, &QPushButton::clicked, this, &SoundRecorderDialog::Save);
    connect(name_, &QLineEdit::textChanged, this, &SoundRecorderDialog::Refresh);
    connect(close, &QDialogButtonBox::rejected, this, &SoundRecorderDialog::reject);
    connect(&poll_, &QTimer::timeout, this, &SoundRecorderDialog::Refresh);
    status_->setText(
        QStringLiteral("Files are saved in %1").arg(QString::fromStdString(workingDir_)));
    Refresh();
}

SoundRecorderDialog::~SoundRecorderDialog() {
    recorder_->Stop();
}

void SoundRecorderDialog::Record() {
    if (recorder_->StartRecording(device_)) {
        status_->setText(QStringLiteral("Recording..."));
        poll_.start(kPollMs);
    }
    Refresh();
}

void SoundRecorderDialog::StopRecorder() {
    recorder_->Stop();
    Refresh();
}

void SoundRecorderDialog::Play() {
    if (recorder_->StartPlayback(device_)) {
        status_->setText(QStringLiteral("Playing..."));
        poll_.start(kPollMs);
    }
    Refresh();
}

bool SoundRecorderDialog::Save() {
    const std::string name = name_->text().toStdString();
    if (const std::string problem = SoundRecorder::NameProblem(name); !problem.empty()) {
        prompter_.Show(problem);
        return false;
    }
    int error = 0;
    SoundRecorder::SaveResult result = recorder_->Save(workingDir_, name, false, &error);
    const std::string fileName = SoundRecorder::WaveName(name);
    if (result == SoundRecorder::SaveResult::Exists) {
        if (prompter_.Ask(fileName + " already exists.\nDo you want to replace it?",
                          PromptButtons::YesNo) != PromptAnswer::Yes) {
            return false;
        }
        result = recorder_->Save(workingDir_, name, true, &error);
    }
    Refresh();
    switch (result) {
        case SoundRecorder::SaveResult::Saved:
            status_->setText(QStringLiteral("Saved as %1; a message plays it with {%1}[I]")
                                 .arg(QString::fromStdString(fileName)));
            return true;
        case SoundRecorder::SaveResult::NothingRecorded:
            prompter_.Show("There is no recording to save.");
            return false;
        case SoundRecorder::SaveResult::Failed:
            prompter_.Show("Cannot save " + fileName + ": " + std::strerror(error));
            return false;
        case SoundRecorder::SaveResult::Exists:
        case SoundRecorder::SaveResult::BadName:
            break;
    }
    return false;
}

void SoundRecorderDialog::reject() {
    recorder_->Stop();
    QDialog::reject();
}

void SoundRecorderDialog::Refresh() {
    using Activity = SoundRecorder::Activity;
    const Activity activity = recorder_->CurrentActivity();
    const bool idle = activity == Activity::Idle;
    const bool haveRecording = recorder_->RecordedSeconds() > 0;
    record_->setEnabled(idle);
    stop_->setEnabled(!idle);
    play_->setEnabled(idle && haveRecording);
    save_->setEnabled(activity != Activity::Recording && haveRecording &&
                      !name_->text().trimmed().isEmpty());
    meter_->setValue(MeterValue(recorder_->Level()));
    length_->setText(QStringLiteral("%1 s").arg(recorder_->RecordedSeconds(), 0, 'f', 1));
    if (idle && shownActivity_ != Activity::Idle) {
        poll_.stop();
        const int error = recorder_->LastError();
        QString text = error == 0 ? QStringLiteral("Stopped.")
                                  : QString::fromStdString(SoundCard::SoundErrorText(error));
        if (const int gaps = recorder_->Gaps(); gaps > 0) {
            text += QStringLiteral(
                        " The computer was too busy to take all the sound: the "
                        "recording has %1 %2.")
                        .arg(gaps)
                        .arg(gaps == 1 ? QStringLiteral("gap") : QStringLiteral("gaps"));
        }
        status_->setText(text);
    }
    shownActivity_ = activity;
}

}  // namespace tarnwick
