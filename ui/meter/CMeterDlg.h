#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QWidget>
#include <array>
#include <deque>
#include <memory>
#include <string>

#include "core/MeterEngine.h"
#include "core/WindowHooks.h"
#include "settings/ExactAccounting.h"
#include "settings/LoginStart.h"

class QLabel;
class QMenu;

namespace trovik {

class CountdownDlg;
class HelpDlg;

// Command ids of the two menus.
enum MenuCommand : unsigned {
    kCmdAbout = 256,
    kCmdHelp = 272,
    kCmdSettings = 288,
    kCmdExtTest = 304,
    kCmdGraph = 320,
    kCmdDialupInfo = 384,
    kCmdLog = 400,
    kCmdWeeklyScope = 416,
    kCmdTray = 432,
    kCmdExit = 448,
    kCmdAppUsage = 496,
    kCmdPopupMenu = 135,
};

// Said once at start on a Wayland display, where a window can neither keep
// above the others nor place itself.
inline constexpr std::string_view kWaylandLimitsText =
    "Wayland では最前面表示とウィンドウの位置を使えません (X のディスプレイがあれば XWayland "
    "で動きます)";

// What the meter window needs from the program besides the engine's seams.
struct MeterWindowOptions {
    unsigned layoutTemplate = 102;
    bool debugMode = false;
    std::string helpPath;       // the help page opened by command 272
    std::string programDir;     // where the extension module is looked for, with a trailing slash
    std::string moduleDataDir;  // where the modules keep their settings; empty: beside the records
    std::string version;
    // Start at login for the settings sheet; none: its box is disabled.
    LoginStart* loginStart = nullptr;
    // Who moved the counted bytes (must outlive the window); null: nobody
    // tells.
    AppUsageSource* apps = nullptr;
    // Exact accounting for the settings sheet; none: its box is disabled.
    ExactAccounting* exact = nullptr;
};

// The meter window: one of the five layouts, the two number texts and bars,
// the error icon, the tray icon with its 17-step receive meter, the popup and
// system menus, the mouse bindings and the shutdown countdown. It owns the
// engine and drives its 100 ms tick; the engine reaches the window only
// through WindowHooks and MessageBoxes.
//
// The tick repaints only what changed: the number texts are set when their
// value changes, and the bars schedule a repaint of their own rectangles.
// A number text shows as the engine wrote it where it fits its field, else
// in the compact form ("103.8K").
class CMeterDlg final : public QWidget, public WindowHooks, public MessageBoxes {
public:
    CMeterDlg(MeterWindowOptions options, CounterSource& counters, SettingsStore& settings,
              Clock& clock, ConnectionControl& connection, SystemPower& power, DataFiles files);
    ~CMeterDlg() override;

    // The window's initialisation; false when the meter must end.
    bool Initialise();

    MeterEngine& Engine() { return engine; }

    // Brings the window up for a second start of the program.
    void Raise();

    // Runs a menu command (both menus and the mouse bindings end here).
    void RunCommand(unsigned id);
    // Runs a mouse binding's action at a point of the window.
    void RunAction(unsigned code, const QPoint& at);

    // The system menu's and the popup menu's entries, for tests: "sep" for a
    // separator, else "id text" with "*" appended when checked, "-" when disabled.
    std::vector<std::string> SystemMenuEntries() const;
    std::vector<std::string> PopupMenuEntries(bool forTray) const;

    // WindowHooks
    void BuildTrayIcons(std::uint32_t bitmapId) override;
    void DestroyTrayIcons() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;
    ScreenPoint WindowPosition() override;
    ScreenSize WindowSize() override;
    std::optional<ScreenRect> ScreenAt(ScreenPoint point) override;
    void MoveWindow(ScreenPoint topLeft) override;
    void ApplyTopMost(bool topMost) override;
    bool StartTimer() override;
    void StopTimer() override;
    void HideWindow() override;
    void SetValueText(unsigned control, std::string_view text) override;
    bool IsMinimised() override;
    void SetTitle(std::string_view title) override;
    void ShowErrorIcon(bool shown) override;
    void SetTrayMeter(unsigned image) override;
    void SetTrayTip(std::string_view tip) override;
    void SetBars(std::uint32_t sendLevel, std::uint32_t sendMarker, std::uint32_t recvLevel,
                 std::uint32_t recvMarker) override;
    void OpenCountdown(unsigned titleId) override;
    void SetCountdown(std::string_view text, unsigned position) override;
    void CloseCountdown() override;
    void PumpPendingMessages() override;
    void Beep(BeepKind kind) override;

    // MessageBoxes
    void Show(unsigned id, std::string_view text, MessageIcon icon) override;
    bool Ask(unsigned id, std::string_view text, MessageIcon icon) override;

    // For an end nobody watches (the program was told to end by a signal):
    // from now on no box waits for a person; what a box would say goes to
    // stderr and, with logging on, to the log, and questions are answered No.
    void StopAsking();
    // Ends the meter with its save, without asking.
    void EndWithoutAsking();

    // Sends message boxes to another implementation (tests answer them).
    void UseMessageBoxes(MessageBoxes& other) { messageOverride = &other; }

    bool InTray() const { return inTray; }
    // The tray icon once it was first added (tests emit its clicks).
    QSystemTrayIcon* TrayIcon() const { return tray.get(); }
    // The help page's own window, once the help was shown there.
    HelpDlg* HelpWindow() const { return help.get(); }
    const QString& TrayTip() const { return trayTip; }
    unsigned TrayImage() const { return trayImage; }
    const std::array<std::uint32_t, 4>& Bars() const { return bars; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::unique_ptr<QMenu> MakeMenu(bool systemMenu, bool withTrayItem) const;
    void ShowSystemMenu(const QPoint& globalPos);
    void ToggleTray();
    bool TrayUsable() const;
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void EndMeter();
    void ShowHelp();
    bool CommandAvailable(unsigned id) const;

    MeterWindowOptions options;
    MeterEngine engine;
    QBasicTimer timer;
    bool inTick = false;
    bool pumping = false;
    bool ended = false;
    bool minimised = false;
    bool unattended = false;

    // The position the meter last chose for itself.
    ScreenPoint chosenPosition{};

    QLabel* sendText = nullptr;
    QLabel* recvText = nullptr;
    QWidget* errorIcon = nullptr;
    QRect sendBar;
    QRect recvBar;
    std::array<std::uint32_t, 4> bars{};

    std::array<QPixmap, 17> trayImages;
    std::unique_ptr<QSystemTrayIcon> tray;
    bool inTray = false;
    unsigned trayImage = 0;
    QString trayTip;
    std::string title;

    std::unique_ptr<CountdownDlg> countdown;
    std::unique_ptr<HelpDlg> help;
    MessageBoxes* messageOverride = nullptr;

    // Boxes a tick asked for: shown once the tick has returned, from the
    // event loop, so the ticks go on inside the box's loop. A text that
    // waits or is up already is not shown again.
    struct PendingBox {
        QString text;
        MessageIcon icon;
    };
    void ShowBox(const QString& text, MessageIcon icon);
    void ShowPendingBoxes();
    std::deque<PendingBox> pendingBoxes;
    QString boxUp;
};

}  // namespace trovik
