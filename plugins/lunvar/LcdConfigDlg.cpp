#include "plugins/lunvar/LcdConfigDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include "plugins/common/ModuleMessage.h"
#include "plugins/common/ProfileIni.h"
#include "plugins/common/UIntField.h"
#include "plugins/lunvar/LcdLink.h"

namespace trovik::lunvar {

CLcdConfigDlg::CLcdConfigDlg(std::string ini, QWidget* parent)
    : QDialog(parent), iniPath(std::move(ini)) {
    setWindowTitle(QStringLiteral("TrvikLunvarの設定"));
    auto* grid = new QGridLayout(this);

    auto* about = new QLabel(
        QStringLiteral("この拡張DLLは、LUNVARキットのLCDに送受信KB数と受信速度の棒グラフを"
                       "表示します。LCDモジュールを取り付けたLUNVARキットが必要です。"),
        this);
    about->setWordWrap(true);
    grid->addWidget(about, 0, 0, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("LUNVARのIPアドレス："), this), 1, 0);
    auto* addressRow = new QHBoxLayout;
    addressRow->setSpacing(2);
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i != 0) {
            addressRow->addWidget(new QLabel(QStringLiteral("."), this));
        }
        octets[i] = new QSpinBox(this);
        octets[i]->setRange(0, 255);
        octets[i]->setButtonSymbols(QAbstractSpinBox::NoButtons);
        octets[i]->setAlignment(Qt::AlignCenter);
        octets[i]->setObjectName(QStringLiteral("ip1001_%1").arg(i));
        addressRow->addWidget(octets[i]);
    }
    grid->addLayout(addressRow, 1, 1);

    grid->addWidget(new QLabel(QStringLiteral("LCD制御ポート番号："), this), 2, 0);
    portEdit = new QLineEdit(this);
    portEdit->setObjectName(QStringLiteral("edit1002"));
    portEdit->setAlignment(Qt::AlignRight);
    portEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), portEdit));
    grid->addWidget(portEdit, 2, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QDialogButtonBox::Ok);
    auto* cancel = buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { (void)TryAccept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    grid->addWidget(buttons, 3, 0, 1, 2);

    const LcdDestination stored = ReadLcdDestination(iniPath);
    SetAddress(stored.address);
    portEdit->setText(QString::number(stored.port));
}

std::uint32_t CLcdConfigDlg::Address() const {
    std::uint32_t address = 0;
    for (const QSpinBox* octet : octets) {
        address = (address << 8) | static_cast<std::uint32_t>(octet->value());
    }
    return address;
}

void CLcdConfigDlg::SetAddress(std::uint32_t address) {
    for (std::size_t i = 0; i < octets.size(); ++i) {
        octets[i]->setValue(static_cast<int>((address >> (24 - 8 * i)) & 0xFFu));
    }
}

bool CLcdConfigDlg::TryAccept() {
    const std::uint32_t address = Address();
    std::uint32_t port = 0;
    const std::string text = portEdit->text().toStdString();
    const plugin::UIntCheck check = plugin::CheckUIntField(text, 0, 65535, port);
    if (check != plugin::UIntCheck::Ok) {
        plugin::ShowModuleMessage(kTitle, plugin::UIntFieldMessage(check, 0, 65535));
        portEdit->setFocus();
        portEdit->selectAll();
        return false;
    }
    if (!plugin::WriteProfileStrings(
            iniPath, kIniSection,
            {{kKeyAddress, std::to_string(address)}, {kKeyPort, std::to_string(port)}})) {
        plugin::ShowModuleMessage(kTitle, plugin::kProfileWriteFailedText);
        return false;
    }
    accept();
    return true;
}

}  // namespace trovik::lunvar
