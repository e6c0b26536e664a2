#include "editors/CPortSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "model/CTarnwickDoc.h"
#include "platform/Prompter.h"
#include "ports/SerialDeviceList.h"

namespace tarnwick {
namespace {

constexpr int kLabelColumn = 0;
constexpr int kNumberColumn = 1;
constexpr int kDeviceColumn = 2;

const char* const kComNumberTips[kSerialLines] = {
    "Enter first serial COM port number to use (if needed)",
    "Enter second serial COM port number to use (if needed)",
    "Enter third serial COM port number to use (if needed)",
};
const char* const kColumnTitles[kPortColumns] = {"PTT", "CW", "TX Inhibit"};
const char* const kComCellTips[kPortColumns] = {
    "Enter COM port pin to use for PTT keying",
    "Enter COM port pin to use for CW keying",
    "Enter COM port pin to use for transmit interrupt function",
};
const char* const kLptCellTips[kPortColumns] = {
    "Enter LPT port pin to use for PTT keying",
    "Enter LPT port pin to use for CW keying",
    "Enter LPT port pin to use for transmit interrupt function",
};
const char* const kTrxCellTips[kPortColumns] = {
    "Select ON to have TRX-Manager send PTT to radio",
    "Select ON to send CW text to TRX-Manager",
    "",
};
constexpr const char* kAddressTip =
    "If you wish to key through parallel port, enter the port's base address in hex";
constexpr const char* kDeviceTip =
    "The Linux serial device this COM port number stands for: pick one that is present or type "
    "its path";

QStringList ListEntries(int row, int column) {
    if (row < kSerialLines) {
        return column == kInhibitColumn ? QStringList{"None", "CTS", "DSR"}
                                        : QStringList{"None", "RTS", "DTR", "Both"};
    }
    if (row == kParallelRow) {
        static const char* const pins[kPortColumns] = {"Pin 16", "Pin 17", "Pin 15"};
        return {"None", pins[column]};
    }
    return {"Off", "On"};
}

const char* CellTip(int row, int column) {
    if (row < kSerialLines) {
        return kComCellTips[column];
    }
    return row == kParallelRow ? kLptCellTips[column] : kTrxCellTips[column];
}

QString RowName(int row) {
    return row < kSerialLines ? QString("com%1").arg(row + 1)
                              : QString(row == kParallelRow ? "lpt" : "trx");
}

}  // namespace

CPortSettingsDialog::CPortSettingsDialog(CTarnwickDoc& doc, Prompter& prompter, QWidget* parent,
                                         const std::string& deviceRoot)
    : QDialog(parent),
      doc_(doc),
      prompter_(prompter),
      deviceRoot_(deviceRoot),
      settings_(PortSettingsFromDocument(doc)) {
    setWindowTitle("Serial and Parallel Port Settings");
    BuildLayout();
}

QComboBox* CPortSettingsDialog::MakeCell(int row, int column) {
    static const char* const suffix[kPortColumns] = {"Ptt", "Cw", "Inhibit"};
    auto* box = new QComboBox;
    box->setObjectName(RowName(row) + suffix[column]);
    box->addItems(ListEntries(row, column));
    box->setToolTip(CellTip(row, column));
    box->setCurrentIndex(ListPositionFromStored(row, column, settings_.matrix[row][column]));
    return box;
}

// Four framed columns side by side: the ports with their numbers and devices, then PTT, CW
// and TX Inhibit. Every row has the same height and spacing in every frame, so the rows line up.
void CPortSettingsDialog::BuildLayout() {
    const int rowHeight =
        std::max(QComboBox().sizeHint().height(), QLineEdit().sizeHint().height());
    const int rowSpacing = 6;
    auto fixRow = [rowHeight](QWidget* widget) {
        widget->setFixedHeight(rowHeight);
        return widget;
    };

    auto* ports = new QGroupBox("Port and Linux device", this);
    auto* portGrid = new QGridLayout(ports);
    portGrid->setVerticalSpacing(rowSpacing);
    portGrid->setHorizontalSpacing(8);
    const std::vector<SerialDevice> present = ListSerialDevices(deviceRoot_);
    for (int line = 0; line < kSerialLines; ++line) {
        portGrid->addWidget(fixRow(new QLabel("COM", ports)), line, kLabelColumn);
        auto* number = new QLineEdit(QString::number(settings_.comPort[line]), ports);
        number->setObjectName(QString("com%1Number").arg(line + 1));
        number->setToolTip(kComNumberTips[line]);
        number->setFixedWidth(fontMetrics().horizontalAdvance("000") + 16);
        portGrid->addWidget(fixRow(number), line, kNumberColumn);
        auto* device = new QComboBox(ports);
        device->setObjectName(QString("com%1Device").arg(line + 1));
        device->setEditable(true);
        device->setInsertPolicy(QComboBox::NoInsert);
        device->setToolTip(kDeviceTip);
        device->setMinimumContentsLength(24);
        device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        for (const SerialDevice& d : present) {
            device->addItem(QString::fromStdString(d.path));
            if (!d.target.empty()) {
                device->setItemData(device->count() - 1, QString::fromStdString(d.target),
                                    Qt::ToolTipRole);
            }
        }
        portGrid->addWidget(fixRow(device), line, kDeviceColumn);
        lines_[line] = {number, device};
        connect(number, &QLineEdit::textChanged, this, [this, line] { ShowDeviceOf(line); });
        connect(device, &QComboBox::editTextChanged, this,
                [this, line](const QString& text) { DeviceEdited(line, text); });
        ShowDeviceOf(line);
    }
    portGrid->addWidget(fixRow(new QLabel("LPT", ports)), kParallelRow, kLabelColumn);
    address_ = new QLineEdit(QString::fromStdString(settings_.lptAddressText), ports);
    address_->setObjectName("lptAddress");
    address_->setToolTip(kAddressTip);
    address_->setFixedWidth(fontMetrics().horizontalAdvance("0000") + 16);
    portGrid->addWidget(fixRow(address_), kParallelRow, kNumberColumn);
    portGrid->addWidget(fixRow(new QLabel("TRX-Manager", ports)), kTrxRow, kLabelColumn, 1, 2);

    auto* frames = new QHBoxLayout;
    frames->addWidget(ports);
    for (int column = 0; column < kPortColumns; ++column) {
        auto* frame = new QGroupBox(kColumnTitles[column], this);
        auto* cells = new QVBoxLayout(frame);
        cells->setSpacing(rowSpacing);
        for (int row = 0; row < kPortRows; ++row) {
            if (ListSize(row, column) == 0) {
                cells->addSpacing(rowHeight);
                continue;
            }
            cells_[row][column] = MakeCell(row, column);
            cells->addWidget(fixRow(cells_[row][column]));
        }
        frames->addWidget(frame);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPortSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPortSettingsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// The device field follows the number beside it: the device of that COM number, or nothing
// for no port.
void CPortSettingsDialog::ShowDeviceOf(int line) {
    QComboBox* device = lines_[line].device;
    const auto number = ParseComNumber(lines_[line].number->text().toStdString());
    const bool named = number && *number > 0;
    const QSignalBlocker block(device);
    device->setEnabled(named);
    device->setEditText(named ? QString::fromStdString(settings_.comDevice[*number - 1])
                              : QString());
}

void CPortSettingsDialog::DeviceEdited(int line, const QString& text) {
    const auto number = ParseComNumber(lines_[line].number->text().toStdString());
    if (!number || *number == 0) {
        return;
    }
    settings_.comDevice[*number - 1] = text.toStdString();
    for (int other = 0; other < kSerialLines; ++other) {
        if (other != line && ParseComNumber(lines_[other].number->text().toStdString()) == number) {
            ShowDeviceOf(other);
        }
    }
}

void CPortSettingsDialog::accept() {
    PortSettings edited = settings_;
    for (int line = 0; line < kSerialLines; ++line) {
        const auto number = ParseComNumber(lines_[line].number->text().toStdString());
        if (!number) {
            prompter_.Show(kComNumberRangeMessage);
            lines_[line].number->setFocus();
            lines_[line].number->selectAll();
            return;
        }
        edited.comPort[line] = *number;
    }
    edited.lptAddressText = address_->text().toStdString();
    PortMatrixCells positions{};
    for (int row = 0; row < kPortRows; ++row) {
        for (int column = 0; column < kPortColumns; ++column) {
            if (cells_[row][column] != nullptr) {
                positions[row][column] = cells_[row][column]->currentIndex();
            }
        }
    }
    StoreListPositions(positions, edited.matrix);
    if (const auto problem = ValidatePortSettings(edited)) {
        prompter_.Show(*problem);
        return;
    }
    addressChanged_ = ApplyPortSettings(edited, doc_);
    if (addressChanged_) {
        emit parallelAddressChanged();
    }
    QDialog::accept();
}

}  // namespace tarnwick
