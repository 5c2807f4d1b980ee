#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "plugins/pelkin/BarSettings.h"

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace trovik::pelkin {

inline constexpr std::string_view kWarningText =
    "タスクバーと重なる位置にウィンドウを配置すると、Pelkinがタスクバーの前面に重なり、"
    "一時的にタスクバーをマウスでクリックできなくなる場合があります。その場合は、キーボードの"
    "Superキー等でタスクバーを前面に出して下さい。";

class ColorSwatch;

// "TrvikPelkinの設定" (the module's dialog 1000): the screen edge, the
// thickness (7 to 64 pixels) and the three colours.
class CBarConfigDlg : public QDialog {
public:
    // Picks a colour starting from the current one (0x00BBGGRR); nothing
    // when the picker was cancelled.
    using ColorPicker = std::function<std::optional<std::uint32_t>(std::uint32_t current)>;

    explicit CBarConfigDlg(std::string iniPath, QWidget* parent = nullptr);

    // The OK button: checks the thickness; on a failure shows the message and
    // keeps the dialog open, writing nothing; otherwise writes the five values
    // and closes with OK. True when it closed.
    bool TryAccept();

    // A "変更" button: row 0 base, 1 send, 2 receive.
    void ChangeColor(int row);

    void SetColorPicker(ColorPicker picker) { pickColor = std::move(picker); }

    std::uint32_t Color(int row) const;
    QRadioButton* EdgeButton(std::uint32_t position) const;
    QLineEdit* SizeEdit() const { return sizeEdit; }
    QPlainTextEdit* WarningEdit() const { return warning; }

private:
    void StepSize(int delta);

    std::string iniPath;
    std::uint32_t storedPosition = kLeft;
    QPlainTextEdit* warning = nullptr;
    QButtonGroup* edges = nullptr;
    QLineEdit* sizeEdit = nullptr;
    std::array<ColorSwatch*, 3> swatches{};
    ColorPicker pickColor;
};

}  // namespace trovik::pelkin
