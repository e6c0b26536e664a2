#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "ports/PortSettings.h"

class QComboBox;
class QLineEdit;

namespace tarnwick {

class CTarnwickDoc;
class Prompter;

// "Serial and Parallel Port Settings": which serial line, parallel pin or the rig-control
// program carries PTT, CW and the transmit inhibit, and the Linux device behind each COM
// number. Works on copies; OK checks them (the first failing rule is shown through the
// prompter and the dialog stays open) and writes them into the document. The caller saves the
// settings file afterwards and, when AddressChanged(), sets the engine's parallel port up again
// (TransmitEngine::SyncParallelPort); parallelAddressChanged() is emitted for the same purpose.
class CPortSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // `deviceRoot` is put in front of the paths searched for serial devices (tests only).
    CPortSettingsDialog(CTarnwickDoc& doc, Prompter& prompter, QWidget* parent = nullptr,
                        const std::string& deviceRoot = std::string());

    // True after OK when the parallel address text differs from what it was.
    bool AddressChanged() const { return addressChanged_; }

    QLineEdit* ComNumberEdit(int line) const { return lines_[line].number; }
    QComboBox* ComDeviceBox(int line) const { return lines_[line].device; }
    QLineEdit* AddressEdit() const { return address_; }
    // The drop-down list of a matrix cell; null for the rig-control inhibit cell.
    QComboBox* CellBox(int row, int column) const { return cells_[row][column]; }

signals:
    void parallelAddressChanged();

public slots:
    void accept() override;

private:
    struct SerialLine {
        QLineEdit* number = nullptr;
        QComboBox* device = nullptr;
    };

    void BuildLayout();
    QComboBox* MakeCell(int row, int column);
    void ShowDeviceOf(int line);
    void DeviceEdited(int line, const QString& text);

    CTarnwickDoc& doc_;
    Prompter& prompter_;
    const std::string deviceRoot_;
    PortSettings settings_;
    std::array<SerialLine, kSerialLines> lines_{};
    QLineEdit* address_ = nullptr;
    std::array<std::array<QComboBox*, kPortColumns>, kPortRows> cells_{};
    bool addressChanged_ = false;
};

}  // namespace tarnwick
