#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tarnwick {

class CTarnwickDoc;
class ManualSender;
class Sidetone;

// "CW Sending Window": the operator types CW live. In automatic mode every finished word goes
// out as it is typed; with "Manual Send" down the text goes when "Send It" (or Enter) is
// pressed. The field loses what has been keyed, while what is typed meanwhile stays.
//
// The window meets the sender only through the sender's buffer: it reports the field after
// every change and takes the field's new text back; the sender never touches a widget. Its
// notices (kManualSendSent, kManualSendIdle, kManualSendEnded) reach the owner's notice sink,
// and the owner hands them to HandleNotice on this window's thread.
//
// The owner opens the sender (TransmitEngine::OpenManualSendWindow with its sink), runs this
// window modally and saves the settings afterwards: closing stores "ManualSend", and the
// sidetone's "Sidetone" and "SidetoneFreq" are stored as they change. Closing, by any way,
// closes the sender: the key goes up and PTT drops within the element under way. When the
// sender is ended from outside (a transmit inhibit), the window closes by itself.
//
// With a sidetone (whose tap the owner gave the engine), "Sidetone" plays it on the sound card
// of the settings while the window is open; a card that fails is named in the window.
class CCwSendingWindow : public QDialog {
    Q_OBJECT

public:
    CCwSendingWindow(CTarnwickDoc& doc, ManualSender& sender, Sidetone* sidetone,
                     QWidget* parent = nullptr);
    ~CCwSendingWindow() override;

    // One of the sender's notices; false for any other.
    bool HandleNotice(uint32_t message, int64_t wParam, int64_t lParam);

    QPlainTextEdit* TextField() const { return field_; }
    QPushButton* SendItButton() const { return sendIt_; }
    QPushButton* ManualSendBox() const { return manualBox_; }
    QPushButton* DoneButton() const { return done_; }
    QPushButton* SidetoneBox() const { return sidetoneBox_; }
    QSpinBox* PitchBox() const { return pitch_; }
    QLabel* SidetoneProblem() const { return problem_; }

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    void TextChanged();
    void SendIt();
    void ManualSendClicked(bool manual);
    void RemoveSent();
    void SidetoneClicked(bool on);
    void StartSidetone();
    void ShowSidetoneProblem(int code);

    CTarnwickDoc& doc_;
    ManualSender& sender_;
    Sidetone* sidetone_;
    QPlainTextEdit* field_ = nullptr;
    QPushButton* sendIt_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* manualBox_ = nullptr;
    QPushButton* sidetoneBox_ = nullptr;
    QSpinBox* pitch_ = nullptr;
    QLabel* problem_ = nullptr;
    bool closed_ = false;
};

}  // namespace tarnwick
