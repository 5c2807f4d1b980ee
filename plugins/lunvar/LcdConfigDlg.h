#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>

class QLineEdit;
class QSpinBox;

namespace trovik::lunvar {

// "TrvikLunvarの設定" (the module's dialog 1000): the device's IPv4 address
// and its LCD control port, read from and written to the INI file.
class CLcdConfigDlg : public QDialog {
public:
    explicit CLcdConfigDlg(std::string iniPath, QWidget* parent = nullptr);

    // The OK button: checks the port (0 to 65535); on a failure shows the
    // message and keeps the dialog open, writing nothing; otherwise writes
    // "IpAddress" and "LcdPort" and closes with OK. True when it closed.
    bool TryAccept();

    // The address field as one 32-bit value, first octet most significant.
    std::uint32_t Address() const;
    void SetAddress(std::uint32_t address);
    QLineEdit* PortEdit() const { return portEdit; }

private:
    std::string iniPath;
    std::array<QSpinBox*, 4> octets{};
    QLineEdit* portEdit = nullptr;
};

}  // namespace trovik::lunvar
