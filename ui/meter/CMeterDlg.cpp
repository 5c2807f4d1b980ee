#include "ui/meter/CMeterDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <iostream>
#include <utility>

#include "ext/qt/ExtDllTestDlg.h"
#include "res/DialogTemplates.h"
#include "res/MeterMenus.h"
#include "res/StringTable.h"
#include "ui/common/DialogBuilder.h"
#include "ui/common/FittedText.h"
#include "ui/meter/AboutDlg.h"
#include "ui/meter/CountdownDlg.h"
#include "ui/meter/HelpDlg.h"
#include "ui/meter/LevelBar.h"
#include "ui/meter/TrayImages.h"
#include "ui/settings/CCnfEtcPage.h"
#include "ui/settings/CConfigDlg.h"
#include "ui/viewers/Viewers.h"

namespace trovik {
namespace {

// Under Wayland a window can neither place itself nor stay above the
// others, and what it is told of its position is not where it is.
bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr unsigned kSystemMinimise = 0xF020;
constexpr unsigned kSystemClose = 0xF060;

}  // namespace

CMeterDlg::CMeterDlg(MeterWindowOptions opts, CounterSource& counters, SettingsStore& settings,
                     Clock& clock, ConnectionControl& connection, SystemPower& power,
                     DataFiles files)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      options(std::move(opts)),
      engine(MeterEnv{counters, settings, clock, *this, connection, power, *this, std::move(files),
                      options.programDir, options.moduleDataDir, options.apps}) {
    const DialogTemplate* layout = FindDialogTemplate(options.layoutTemplate);
    if (layout == nullptr) {
        layout = FindDialogTemplate(102);
    }
    BuildDialog(this, *layout);
    setWindowTitle(Utf8(LoadString(kMeterCaption)));
    setWindowIcon(ProgramIcon());
    setFixedSize(size());
    sendText = qobject_cast<QLabel*>(ControlById(this, kSendValueControl));
    recvText = qobject_cast<QLabel*>(ControlById(this, kRecvValueControl));
    errorIcon = ControlById(this, kErrorIconControl);
    if (QWidget* bar = ControlById(this, kSendBarControl)) {
        sendBar = bar->geometry();
    }
    if (QWidget* bar = ControlById(this, kRecvBarControl)) {
        recvBar = bar->geometry();
    }
}

CMeterDlg::~CMeterDlg() {
    EndMeter();
}

bool CMeterDlg::Initialise() {
    minimised = isMinimized();
    const StartResult result = engine.Start();
    if (result == StartResult::Ended) {
        EndMeter();
        return false;
    }
    if (OnWayland()) {
        std::cerr << "Trovik: " << kWaylandLimitsText << '\n';
        if (engine.settings.logFile) {
            (void)engine.log.AppendLogLine(kWaylandLimitsText);
        }
    }
    return true;
}

void CMeterDlg::EndMeter() {
    if (ended) {
        return;
    }
    ended = true;
    countdown.reset();
    engine.Destroy();
}

void CMeterDlg::Raise() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

// --- the tick ---

void CMeterDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    // A message box or menu opened from within a tick runs a nested event
    // loop; only the countdown's message pump may run a tick inside a tick.
    if (inTick && !pumping) {
        return;
    }
    const bool outer = !inTick;
    inTick = true;
    engine.Tick();
    if (outer) {
        inTick = false;
    }
}

bool CMeterDlg::StartTimer() {
    timer.start(100, Qt::CoarseTimer, this);
    return timer.isActive();
}

void CMeterDlg::StopTimer() {
    timer.stop();
}

void CMeterDlg::PumpPendingMessages() {
    pumping = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    pumping = false;
}

// --- what the tick shows ---

// A right-aligned label cuts the leading digits of a text too wide for it.
void CMeterDlg::SetValueText(unsigned control, std::string_view text) {
    QLabel* label = control == kSendValueControl ? sendText : recvText;
    if (label != nullptr) {
        label->setText(FittedNumberText(*label, text));
    }
}

bool CMeterDlg::IsMinimised() {
    return minimised;
}

void CMeterDlg::SetTitle(std::string_view text) {
    if (text != title) {
        title.assign(text);
        setWindowTitle(Utf8(text));
    }
}

void CMeterDlg::ShowErrorIcon(bool shown) {
    if (errorIcon != nullptr) {
        errorIcon->setVisible(shown);
    }
}

void CMeterDlg::SetBars(std::uint32_t sendLevel, std::uint32_t sendMarker, std::uint32_t recvLevel,
                        std::uint32_t recvMarker) {
    const std::array<std::uint32_t, 4> now{sendLevel, sendMarker, recvLevel, recvMarker};
    if (now[0] != bars[0] || now[1] != bars[1]) {
        update(sendBar);
    }
    if (now[2] != bars[2] || now[3] != bars[3]) {
        update(recvBar);
    }
    bars = now;
}

void CMeterDlg::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (event->rect().intersects(sendBar) && !sendBar.isEmpty()) {
        DrawLevelBar(painter, sendBar, bars[0], bars[1]);
    }
    if (event->rect().intersects(recvBar) && !recvBar.isEmpty()) {
        DrawLevelBar(painter, recvBar, bars[2], bars[3]);
    }
}

// Where the desktop has no tray, the icon cannot be seen or clicked: the
// meter then stays in sight rather than vanish for good.
bool CMeterDlg::TrayUsable() const {
    return inTray && QSystemTrayIcon::isSystemTrayAvailable();
}

void CMeterDlg::HideWindow() {
    if (TrayUsable()) {
        hide();
    }
}

void CMeterDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        const bool nowMinimised = isMinimized();
        if (minimised && !nowMinimised) {
            title.clear();
            setWindowTitle(Utf8(LoadString(kMeterCaption)));
        }
        minimised = nowMinimised;
    }
    QWidget::changeEvent(event);
}

// --- position and placement ---

ScreenPoint CMeterDlg::WindowPosition() {
    // There the position kept (and stored at exit) is the one the meter
    // chose, never one it did not.
    if (OnWayland()) {
        return chosenPosition;
    }
    // The window's own top left, not its frame's: before the window manager
    // has framed it, Qt places the window itself at the point it is given,
    // and a frame's position stored back would move the meter up and left
    // by the frame's size at every run.
    const QPoint p = geometry().topLeft();
    return {p.x(), p.y()};
}

ScreenSize CMeterDlg::WindowSize() {
    const QSize s = frameGeometry().size();
    return {s.width(), s.height()};
}

std::optional<ScreenRect> CMeterDlg::ScreenAt(ScreenPoint point) {
    const QScreen* screen = QGuiApplication::screenAt(QPoint(point.x, point.y));
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return std::nullopt;
    }
    const QRect r = screen->availableGeometry();
    return ScreenRect{r.x(), r.y(), r.width(), r.height()};
}

void CMeterDlg::MoveWindow(ScreenPoint topLeft) {
    chosenPosition = topLeft;
    // move() places the frame where there is one (none yet before the first
    // show): the frame goes where the window itself comes to `topLeft`.
    const QPoint frame = pos() - geometry().topLeft();
    move(QPoint(topLeft.x, topLeft.y) + frame);
}

void CMeterDlg::ApplyTopMost(bool topMost) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    if (visible) {
        show();
    }
}

// --- tray ---

void CMeterDlg::BuildTrayIcons(std::uint32_t bitmapId) {
    trayImages = BuildTrayImages(bitmapId);
}

void CMeterDlg::DestroyTrayIcons() {
    trayImages = {};
}

void CMeterDlg::AddTrayIcon() {
    if (inTray) {
        return;
    }
    if (!tray) {
        tray = std::make_unique<QSystemTrayIcon>();
        tray->setToolTip(trayTip.isEmpty() ? Utf8(LoadString(kAppTitle)) : trayTip);
        // Queued: the icon's own click handler returns before any command
        // runs, since a command may hide the icon (the tray toggle, the
        // exit), which destroys the object whose handler is still running.
        QObject::connect(
            tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { OnTrayActivated(r); },
            Qt::QueuedConnection);
    }
    trayImage = 0;
    tray->setIcon(QIcon(trayImages[0]));
    tray->show();
    inTray = true;
}

void CMeterDlg::RemoveTrayIcon() {
    if (!inTray) {
        return;
    }
    tray->hide();
    inTray = false;
}

void CMeterDlg::SetTrayMeter(unsigned image) {
    if (!inTray || image == trayImage || image >= trayImages.size()) {
        return;
    }
    trayImage = image;
    tray->setIcon(QIcon(trayImages[image]));
}

void CMeterDlg::SetTrayTip(std::string_view tip) {
    trayTip = Utf8(tip);
    if (tray) {
        tray->setToolTip(trayTip);
    }
}

void CMeterDlg::ToggleTray() {
    if (inTray) {
        RemoveTrayIcon();
        Raise();
    } else {
        AddTrayIcon();
        HideWindow();
    }
}

void CMeterDlg::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            // The desktop reports a click, not the button's down and up: the
            // first click shows the meter, the next one hides it.
            setVisible(!isVisible());
            if (isVisible()) {
                Raise();
            }
            break;
        case QSystemTrayIcon::DoubleClick:
            RunAction(engine.settings.clickL, mapFromGlobal(QCursor::pos()));
            break;
        case QSystemTrayIcon::MiddleClick:
            RunAction(engine.settings.clickM, mapFromGlobal(QCursor::pos()));
            break;
        case QSystemTrayIcon::Context: {
            const std::unique_ptr<QMenu> menu = MakeMenu(false, true);
            if (QAction* chosen = menu->exec(QCursor::pos())) {
                RunCommand(chosen->data().toUInt());
            }
            break;
        }
        default:
            break;
    }
}

// --- countdown ---

void CMeterDlg::OpenCountdown(unsigned titleId) {
    countdown = std::make_unique<CountdownDlg>(this, titleId, std::string_view{},
                                               [this] { engine.CountdownCancelPressed(); });
}

void CMeterDlg::SetCountdown(std::string_view text, unsigned position) {
    if (countdown) {
        countdown->SetText(Utf8(text));
        countdown->SetPosition(position);
    }
}

void CMeterDlg::CloseCountdown() {
    if (countdown) {
        countdown->Close();
        countdown.reset();
    }
}

void CMeterDlg::Beep(BeepKind) {
    QApplication::beep();
}

// --- message boxes ---

void CMeterDlg::StopAsking() {
    unattended = true;
}

void CMeterDlg::EndWithoutAsking() {
    StopAsking();
    EndMeter();
}

void CMeterDlg::Show(unsigned id, std::string_view text, MessageIcon icon) {
    if (unattended) {
        std::cerr << "Trovik: " << text << '\n';
        if (engine.settings.logFile) {
            (void)engine.log.AppendLogLine(text);
        }
        return;
    }
    if (messageOverride != nullptr) {
        messageOverride->Show(id, text, icon);
        return;
    }
    const QString message = Utf8(text);
    if (!inTick) {
        ShowBox(message, icon);
        return;
    }
    // A box run here would hold this tick, and every tick after it, until
    // the user answers: the records, the rules and the plug-in would stand.
    const bool waiting = std::any_of(pendingBoxes.begin(), pendingBoxes.end(),
                                     [&](const PendingBox& b) { return b.text == message; });
    if (waiting || message == boxUp) {
        return;
    }
    pendingBoxes.push_back({message, icon});
    if (pendingBoxes.size() == 1 && boxUp.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { ShowPendingBoxes(); }, Qt::QueuedConnection);
    }
}

void CMeterDlg::ShowBox(const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning,
                    Utf8(LoadString(kAppTitle)), text, QMessageBox::Ok, this);
    box.exec();
}

void CMeterDlg::ShowPendingBoxes() {
    while (!pendingBoxes.empty()) {
        const PendingBox next = pendingBoxes.front();
        pendingBoxes.pop_front();
        if (ended || unattended) {
            // Ending without boxes: said where an unattended meter says it.
            std::cerr << "Trovik: " << next.text.toStdString() << '\n';
            continue;
        }
        boxUp = next.text;
        ShowBox(next.text, next.icon);
        boxUp.clear();
    }
}

bool CMeterDlg::Ask(unsigned id, std::string_view text, MessageIcon icon) {
    if (unattended) {
        return false;
    }
    if (messageOverride != nullptr) {
        return messageOverride->Ask(id, text, icon);
    }
    QMessageBox box(icon == MessageIcon::Question ? QMessageBox::Question : QMessageBox::Warning,
                    Utf8(LoadString(kAppTitle)), Utf8(text), QMessageBox::Yes | QMessageBox::No,
                    this);
    return box.exec() == QMessageBox::Yes;
}

// --- menus and commands ---

bool CMeterDlg::CommandAvailable(unsigned id) const {
    switch (id) {
        case kCmdGraph:
        case kCmdDialupInfo:
        case kCmdLog:
        case kCmdWeeklyScope:
        case kCmdCumulativeInfo:
        case kCmdAppUsage:
            return ViewerAvailable(id);
        case kCmdExtTest:
            return engine.extHost.IsOpen();
        default:
            return true;
    }
}

std::unique_ptr<QMenu> CMeterDlg::MakeMenu(bool systemMenu, bool withTrayItem) const {
    auto menu = std::make_unique<QMenu>();
    if (systemMenu && options.debugMode) {
        QAction* test = menu->addAction(Utf8(kExtTestMenuText));
        test->setData(kExtTestCommand);
        test->setEnabled(CommandAvailable(kExtTestCommand));
    }
    for (const MeterMenuItem& item : MeterMenuItems()) {
        const std::string_view text = systemMenu ? item.systemText : item.popupText;
        if (text.empty() || (item.id == kCmdTray && !withTrayItem)) {
            continue;
        }
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Utf8(text));
        action->setData(item.id);
        action->setEnabled(CommandAvailable(item.id));
        if (item.id == kCmdTray) {
            action->setCheckable(true);
            action->setChecked(inTray);
        }
    }
    if (systemMenu) {
        menu->addAction(QStringLiteral("最小化(&N)"))->setData(kSystemMinimise);
        menu->addAction(QStringLiteral("閉じる(&C)"))->setData(kSystemClose);
    }
    return menu;
}

namespace {

std::vector<std::string> Describe(const QMenu& menu) {
    std::vector<std::string> out;
    for (const QAction* a : menu.actions()) {
        if (a->isSeparator()) {
            out.push_back("sep");
            continue;
        }
        out.push_back(std::to_string(a->data().toUInt()) + " " + a->text().toStdString() +
                      (a->isChecked() ? "*" : "") + (a->isEnabled() ? "" : "-"));
    }
    return out;
}

}  // namespace

std::vector<std::string> CMeterDlg::SystemMenuEntries() const {
    return Describe(*MakeMenu(true, true));
}

std::vector<std::string> CMeterDlg::PopupMenuEntries(bool forTray) const {
    return Describe(*MakeMenu(false, forTray));
}

void CMeterDlg::ShowSystemMenu(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu = MakeMenu(true, true);
    if (QAction* chosen = menu->exec(globalPos)) {
        const unsigned id = chosen->data().toUInt();
        if (id == kSystemMinimise) {
            showMinimized();
        } else if (id == kSystemClose) {
            close();
        } else {
            RunCommand(id);
        }
    }
}

void CMeterDlg::RunCommand(unsigned id) {
    engine.swallowClick = false;
    switch (id) {
        case kCmdClearData:
        case kCmdDisconnectNow:
        case kCmdCancelShutdown:
            engine.Command(id);
            break;
        case kCmdTray:
            ToggleTray();
            break;
        case kCmdGraph:
        case kCmdDialupInfo:
        case kCmdLog:
        case kCmdWeeklyScope:
        case kCmdCumulativeInfo:
        case kCmdAppUsage:
            if (ViewerAvailable(id)) {
                engine.Command(id);  // 464 first closes the open cumulative period
                RunViewer(id,
                          ViewerContext{engine, engine.resetRequested,
                                        engine.sampler.history.historyUpdated},
                          this);
            }
            break;
        case kCmdSettings:
            if (RunSettingsSheet(
                    SheetContext{engine.Environment().settings, *this, options.programDir,
                                 engine.Environment().files.Directory(),
                                 PresentInterfaceNames(engine.Environment().counters),
                                 engine.Environment().counters.CountsNothing(), options.loginStart,
                                 [&meter = std::as_const(engine)] { return meter.PeriodUseKB(); },
                                 [&meter = std::as_const(engine)] { return meter.UseDays(); },
                                 options.exact},
                    this)) {
                engine.ReloadSettings();
            }
            break;
        case kCmdHelp:
            ShowHelp();
            break;
        case kCmdExtTest:
            if (engine.extHost.IsOpen()) {
                RunTestDialog(engine.extHost, engine.settings.scaleTx, engine.settings.scaleRx,
                              *this, this);
            }
            break;
        case kCmdAbout: {
            AboutDlg about(this, QString::fromStdString(options.version));
            about.exec();
            break;
        }
        case kCmdExit:
            if (!engine.settings.askExitFromPopup ||
                Ask(kMsgAskExit, LoadString(kMsgAskExit), MessageIcon::Exclamation)) {
                close();
            }
            break;
        default:
            break;  // commands whose dialogs are not there yet
    }
}

void CMeterDlg::ShowHelp() {
    const QString page = QString::fromStdString(options.helpPath);
    // The desktop's launcher first; where there is none, the page in a
    // window of the program's own.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        return;
    }
    if (!help) {
        help = std::make_unique<HelpDlg>(page);
    }
    help->show();
    help->raise();
    help->activateWindow();
}

void CMeterDlg::RunAction(unsigned code, const QPoint& at) {
    if (engine.swallowClick) {
        engine.swallowClick = false;
        return;
    }
    switch (code) {
        case kCmdPopupMenu: {
            const std::unique_ptr<QMenu> menu = MakeMenu(false, false);
            QAction* chosen = menu->exec(mapToGlobal(at));
            // Set after the menu closes; a chosen command clears it again.
            engine.swallowClick = true;
            if (chosen != nullptr) {
                RunCommand(chosen->data().toUInt());
            }
            break;
        }
        case kCmdSettings:
        case kCmdGraph:
        case kCmdClearData:
        case kCmdDisconnectNow:
        case kCmdDialupInfo:
        case kCmdLog:
        case kCmdCancelShutdown:
            RunCommand(code);
            break;
        default:
            break;
    }
}

// --- mouse and keys ---

void CMeterDlg::mousePressEvent(QMouseEvent* event) {
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const MeterSettings& s = engine.settings;
    const QPoint at = event->position().toPoint();
    switch (event->button()) {
        case Qt::LeftButton:
            RunAction(shift ? s.clickShiftL : s.clickL, at);
            break;
        case Qt::MiddleButton:
            RunAction(shift ? s.clickShiftM : s.clickM, at);
            break;
        case Qt::RightButton:
            // The window manager owns the title bar's menu: a right click
            // with nothing bound to it opens the meter's system menu.
            if (!shift && s.clickR == 0) {
                ShowSystemMenu(event->globalPosition().toPoint());
            } else {
                RunAction(shift ? s.clickShiftR : s.clickR, at);
            }
            break;
        default:
            QWidget::mousePressEvent(event);
    }
}

void CMeterDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The keyboard's menu key opens the system menu at the window.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
    }
}

void CMeterDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            return;  // Escape never closes the meter
        case Qt::Key_Return:
        case Qt::Key_Enter:
            close();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void CMeterDlg::closeEvent(QCloseEvent* event) {
    EndMeter();
    event->accept();
    QCoreApplication::quit();
}

}  // namespace trovik
