#include "editors/CProgramSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/CTarnwickDoc.h"
#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"
#include "platform/Prompter.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick {
namespace {

using Form = ProgramSettingsForm;

constexpr int kMyCallId = 1051;
constexpr int kMyGridId = 1052;
constexpr int kTxDelayId = 1050;
constexpr int kPriorityId = 1046;
constexpr int kSoundId = 1037;
constexpr int kDotId = 1077;
constexpr int kDashId = 1078;
constexpr int kLetterId = 1079;
constexpr int kUseTrxId = 1080;
constexpr int kDefaultsId = 1098;
constexpr int kMaxGridCharacters = 6;
// Each of the connection and the answer; a test gives its verdict within twice this.
constexpr int kRigTestTimeoutMs = kTrxReplyTimeoutMs;
// How often finished background work is looked for while some runs.
constexpr int kPollMs = 50;

const char* const kPriorities[] = {"Lowest", "Low", "Normal", "High", "Very High", "Highest"};

constexpr const char* kHostTip =
    "Enter the computer the rig-control daemon runs on (name or address; 127.0.0.1 for this "
    "computer)";
constexpr const char* kPortTip = "Enter the TCP port the rig-control daemon listens on";
constexpr const char* kRigTestTip =
    "Ask the rig-control daemon at this address for the radio's frequency";

QLabel* Caption(const char* text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

CProgramSettingsDialog::CProgramSettingsDialog(CTarnwickDoc& doc, Prompter& prompter,
                                               QWidget* parent, SettingChanger change)
    : QDialog(parent),
      prompter_(prompter),
      change_(std::move(change)),
      form_(doc, SoundDevices::List()) {
    if (!change_) {
        change_ = [&doc](std::string_view name, std::string_view text) {
            return ChangeSetting(doc, name, text);
        };
    }
    setWindowTitle("Program Settings");
    BuildLayout();
    ShowCopies();
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &CProgramSettingsDialog::CollectResults);
    // How a keying thread that asks for real-time is scheduled: the honest answer comes from
    // asking exactly as keying does, and the broker may take a moment to answer.
    if (realtimeJob_.Start([] {
            ThreadScheduling scheduling(ThreadPriority::AboveNormal);
            return scheduling.Report();
        })) {
        poll_.start();
    }
}

CProgramSettingsDialog::~CProgramSettingsDialog() = default;

QLineEdit* CProgramSettingsDialog::AddEdit(Form::Control control, int controlId, const char* tip) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(Form::SettingName(control));
    if (controlId != 0) {
        edit->setProperty("controlId", controlId);
    }
    edit->setToolTip(tip);
    edits_[control] = edit;
    return edit;
}

void CProgramSettingsDialog::BuildLayout() {
    QLineEdit* call = AddEdit(Form::kMyCall, kMyCallId, "Enter your callsign here");
    QLineEdit* grid = AddEdit(Form::kMyGrid, kMyGridId, "Enter your six digit grid locator here");
    grid->setMaxLength(kMaxGridCharacters);
    QLineEdit* delay = AddEdit(Form::kTxDelay, kTxDelayId,
                               "Enter delay from time PTT is sent until first CW character is "
                               "sent");
    priority_ = new QComboBox(this);
    priority_->setObjectName("CWPriority");
    priority_->setProperty("controlId", kPriorityId);
    priority_->setToolTip(
        "Select to set CW sending priority. If CW is too slow, select higher priority");
    for (const char* entry : kPriorities) {
        priority_->addItem(entry);
    }
    realtimeNote_ = new QLabel(this);
    realtimeNote_->setObjectName("realtimeNote");
    realtimeNote_->setWordWrap(true);
    realtimeNote_->setTextFormat(Qt::PlainText);
    realtimeNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    realtimeNote_->setContentsMargins(0, 4, 0, 6);
    realtimeNote_->hide();

    auto* station = new QGridLayout;
    station->addWidget(Caption("My Call:", call), 0, 0);
    station->addWidget(call, 0, 1);
    station->addWidget(Caption("My Grid:", grid), 1, 0);
    station->addWidget(grid, 1, 1);
    station->addWidget(Caption("TX Delay (sec)", delay), 2, 0);
    station->addWidget(delay, 2, 1);
    station->addWidget(Caption("CW Sending Priority", priority_), 3, 0);
    station->addWidget(priority_, 3, 1);
    station->setRowStretch(4, 1);

    auto* weighting = new QGroupBox("CW Weighting", this);
    auto* weights = new QGridLayout(weighting);
    const struct {
        Form::Control control;
        int id;
        const char* caption;
        const char* tip;
    } weightRows[] = {
        {Form::kDotWgt, kDotId, "Dot Length",
         "Enter CW dot time with respect to the symbol space of 1 (default = 1.0) "},
        {Form::kDashWgt, kDashId, "Dash Length",
         "Enter CW dash time with respect to the symbol space of 1 (default = 3.0) "},
        {Form::kLetterSp, kLetterId, "Letter Space",
         "Enter space between CW letters with respect to the symbol space of 1 (default = 3.0) "},
    };
    int row = 0;
    for (const auto& w : weightRows) {
        QLineEdit* edit = AddEdit(w.control, w.id, w.tip);
        edit->setMaximumWidth(fontMetrics().horizontalAdvance("000.000") + 16);
        weights->addWidget(Caption(w.caption, edit), row, 0);
        weights->addWidget(edit, row, 1);
        ++row;
    }
    auto* defaults = new QPushButton("Defaults", weighting);
    defaults->setProperty("controlId", kDefaultsId);
    defaults->setToolTip("Pust to restore CW weights to default values");
    defaults->setAutoDefault(false);
    connect(defaults, &QPushButton::clicked, this, &CProgramSettingsDialog::RestoreDefaults);
    weights->addWidget(defaults, row, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(station, 1);
    top->addWidget(weighting);

    sound_ = new QComboBox(this);
    sound_->setObjectName("WaveOut");
    sound_->setProperty("controlId", kSoundId);
    sound_->setToolTip("Select the soundcard device to use for transmitting wav files");
    for (const std::string& entry : form_.SoundEntries()) {
        sound_->addItem(QString::fromStdString(entry));
    }
    sound_->setCurrentIndex(form_.SoundSelection());
    sound_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(sound_, &QComboBox::currentIndexChanged, this,
            [this](int entry) { form_.SelectSound(entry); });

    auto* rig = new QGroupBox("TRX-Manager", this);
    useTrx_ = new QCheckBox("Use TRX-Manager", rig);
    useTrx_->setObjectName("UseTRX");
    useTrx_->setProperty("controlId", kUseTrxId);
    QLineEdit* host = AddEdit(Form::kTrxHost, 0, kHostTip);
    QLineEdit* port = AddEdit(Form::kTrxPort, 0, kPortTip);
    port->setMaximumWidth(fontMetrics().horizontalAdvance("000000") + 16);
    rigTest_ = new QPushButton("Test", rig);
    rigTest_->setObjectName("rigTest");
    rigTest_->setToolTip(kRigTestTip);
    rigTest_->setAutoDefault(false);
    connect(rigTest_, &QPushButton::clicked, this, &CProgramSettingsDialog::TestRigLink);
    rigResult_ = new QLabel(rig);
    rigResult_->setObjectName("rigTestResult");
    rigResult_->setTextFormat(Qt::PlainText);
    rigResult_->setWordWrap(true);
    rigResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* address = new QHBoxLayout;
    address->addWidget(Caption("Rig-control daemon:", host));
    address->addWidget(host, 1);
    address->addWidget(Caption("Port:", port));
    address->addWidget(port);
    address->addWidget(rigTest_);
    auto* rigLayout = new QVBoxLayout(rig);
    rigLayout->addWidget(useTrx_);
    rigLayout->addLayout(address);
    rigLayout->addWidget(rigResult_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CProgramSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CProgramSettingsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(realtimeNote_);
    layout->addWidget(Caption("Soundcard device for phone output:", sound_));
    layout->addWidget(sound_);
    layout->addWidget(rig);
    layout->addWidget(buttons);
}

Form::Texts CProgramSettingsDialog::ShownTexts() const {
    Form::Texts texts;
    for (int i = 0; i < Form::kControlCount; ++i) {
        if (edits_[i] != nullptr) {
            texts[i] = edits_[i]->text().toStdString();
        }
    }
    const int chosen = priority_->currentIndex();
    texts[Form::kPriority] = chosen < 0 ? std::string() : FormatInt(chosen);
    texts[Form::kUseTrx] = FormatInt(useTrx_->isChecked() ? 1 : 0);
    return texts;
}

void CProgramSettingsDialog::ShowCopies() {
    const Form::Texts& copies = form_.Copies();
    for (int i = 0; i < Form::kControlCount; ++i) {
        if (edits_[i] != nullptr) {
            edits_[i]->setText(QString::fromStdString(copies[i]));
        }
    }
    const std::string& chosen = copies[Form::kPriority];
    priority_->setCurrentIndex(chosen.empty() ? -1 : ParseInt(chosen).value_or(-1));
    useTrx_->setChecked(copies[Form::kUseTrx] == "1");
}

void CProgramSettingsDialog::FocusControl(Form::Control control) {
    if (QLineEdit* edit = edits_[control]) {
        edit->setFocus();
        edit->selectAll();
    } else if (control == Form::kPriority) {
        priority_->setFocus();
    } else {
        useTrx_->setFocus();
    }
}

void CProgramSettingsDialog::accept() {
    if (const auto refusal = form_.Read(ShownTexts())) {
        prompter_.Show(refusal->message);
        FocusControl(refusal->control);
        return;
    }
    const bool rigLinkChanges = form_.RigLinkChanges();
    for (const auto& [name, text] : form_.Changes()) {
        const SettingChange change = change_(name, text);
        if (change.result != SettingChange::Result::Changed) {
            // The checks above are the schema's own, so only the changer's state (a keyer
            // busy with another call) can refuse here.
            prompter_.Show(change.message.empty() ? "The setting " + name + " was not changed."
                                                  : change.message);
            return;
        }
    }
    rigLinkChanged_ = rigLinkChanges;
    QDialog::accept();
}

// Every control is read first, as OK reads them; a refused one shows its message and then,
// like the controls after it, its last accepted value again.
void CProgramSettingsDialog::RestoreDefaults() {
    const auto refusal = form_.Read(ShownTexts());
    if (refusal) {
        prompter_.Show(refusal->message);
    }
    form_.RestoreDefaultWeights();
    ShowCopies();
    if (refusal) {
        FocusControl(refusal->control);
    }
}

void CProgramSettingsDialog::TestRigLink() {
    if (rigJob_.Running()) {
        return;
    }
    const std::string host = edits_[Form::kTrxHost]->text().toStdString();
    const std::string portText = edits_[Form::kTrxPort]->text().toStdString();
    for (const auto& [name, text] : {std::pair{"TrxHost", host}, std::pair{"TrxPort", portText}}) {
        if (const auto problem = CheckTypedText(*FindStationDef(name), text)) {
            rigResult_->setText(QString::fromStdString(*problem));
            FitHeight();
            return;
        }
    }
    const int port = static_cast<int>(ParseWholeInteger(portText).value_or(0));
    if (!rigJob_.Start([host, port] { return ProbeRigLink(host, port, kRigTestTimeoutMs); })) {
        return;
    }
    rigTest_->setEnabled(false);
    rigResult_->setText(QString("Asking %1 port %2 for the radio's frequency...")
                            .arg(QString::fromStdString(host))
                            .arg(port));
    FitHeight();
    poll_.start();
}

void CProgramSettingsDialog::CollectResults() {
    // Looked at before the results: a job that ends in between has its result stored by then.
    const bool busy = rigJob_.Running() || realtimeJob_.Running();
    if (auto report = realtimeJob_.Take()) {
        const std::string note = Form::RealtimeNote(*report);
        realtimeNote_->setText(QString::fromStdString(note));
        realtimeNote_->setVisible(!note.empty());
    }
    if (auto result = rigJob_.Take()) {
        rigResult_->setText(
            QString::fromStdString(result->ok ? "The radio is on " + result->text : result->text));
        rigTest_->setEnabled(true);
    }
    if (!busy) {
        poll_.stop();
    }
    FitHeight();
}

// A wrapped label's height depends on the width it gets, which the window's minimum size does
// not take into account: a longer text grows the window as far as its width needs.
void CProgramSettingsDialog::FitHeight() {
    QLayout* content = layout();
    if (content->hasHeightForWidth()) {
        const int needed = content->totalHeightForWidth(width());
        if (height() < needed) {
            resize(width(), needed);
        }
    }
}

}  // namespace tarnwick
