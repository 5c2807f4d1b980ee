#include "ui/Viewers.h"

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "ui/CCumInfoDlg.h"
#include "ui/CWeeklyScopeDlg.h"

namespace trovik {
namespace {

constexpr unsigned kWeeklyScopeCommand = 416;
constexpr unsigned kNoCumulativeFileMessage = 18;

// The record viewers run without an owner window, modal to the user only:
// the meter's timer keeps ticking in their message loop.
void RunOwnerless(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
}

}  // namespace

bool ViewerAvailable(unsigned command) {
    switch (command) {
        case kWeeklyScopeCommand:
        case kCmdCumulativeInfo:
            return true;
        default:
            return false;
    }
}

void RunViewer(unsigned command, const ViewerContext& context, QWidget* parent) {
    (void)parent;
    const MeterEnv& env = context.meter.Environment();
    switch (command) {
        case kWeeklyScopeCommand: {
            CWeeklyScopeDlg dialog(env.files, env.clock);
            RunOwnerless(dialog);
            break;
        }
        case kCmdCumulativeInfo: {
            CCumInfoDlg dialog(env.settings, env.files, env.clock);
            if (!dialog.HasPeriods()) {
                env.messages.Show(kNoCumulativeFileMessage, LoadString(kNoCumulativeFileMessage),
                                  MessageIcon::Exclamation);
                break;
            }
            RunOwnerless(dialog);
            break;
        }
        default:
            break;
    }
}

}  // namespace trovik
