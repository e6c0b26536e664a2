#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

#include "audio/SoundRecorder.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tarnwick {

class Prompter;

// "Sound Recorder": records a voice message from the operator's sound card, plays it back,
// and saves it as a WAV file in the working folder under a name the operator types, asking
// before it replaces a file. The recording itself is SoundRecorder's.
class SoundRecorderDialog : public QDialog {
    Q_OBJECT

public:
    // `device`: the sound card of the settings (WaveOut); `workingDir`: where files go.
    SoundRecorderDialog(Prompter& prompter, int device, std::string workingDir,
                        QWidget* parent = nullptr);
    ~SoundRecorderDialog() override;

    SoundRecorder& Recorder() { return *recorder_; }
    QPushButton* RecordButton() const { return record_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* PlayButton() const { return play_; }
    QPushButton* SaveButton() const { return save_; }
    QLineEdit* NameBox() const { return name_; }
    QProgressBar* LevelMeter() const { return meter_; }
    QLabel* StatusLine() const { return status_; }

public slots:
    void Record();
    void StopRecorder();
    void Play();
    // Saves under the typed name; true when the file was written.
    bool Save();

protected:
    void reject() override;

private:
    void Refresh();

    Prompter& prompter_;
    const int device_;
    const std::string workingDir_;
    std::unique_ptr<SoundRecorder> recorder_;
    QPushButton* record_;
    QPushButton* stop_;
    QPushButton* play_;
    QPushButton* save_;
    QLineEdit* name_;
    QProgressBar* meter_;
    QLabel* length_;
    QLabel* status_;
    QTimer poll_;
    SoundRecorder::Activity shownActivity_ = SoundRecorder::Activity::Idle;
};

}  // namespace tarnwick
