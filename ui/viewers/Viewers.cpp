#include "ui/viewers/Viewers.h"

#include <QDialog>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "stats/Allowance.h"
#include "ui/viewers/CAppUsageDlg.h"
#include "ui/viewers/CCumInfoDlg.h"
#include "ui/viewers/CDialupInfoDlg.h"
#include "ui/viewers/CRateGraphDlg.h"
#include "ui/viewers/CWeeklyScopeDlg.h"
#include "ui/viewers/LogViewerDlg.h"

namespace trovik {
namespace {

enum ViewerCommand : unsigned {
    kGraphCommand = 320,
    kDialupInfoCommand = 384,
    kLogCommand = 400,
    kWeeklyScopeCommand = 416,
    kCumulativeInfoCommand = 464,
    kAppUsageCommand = 496,
};
constexpr unsigned kNoCumulativeFileMessage = 18;

// The record viewers run without an owner window, modal to the user only:
// the meter's timer keeps ticking in their message loop.
void RunOwnerless(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
}

void RunRateGraph(const ViewerContext& context, QWidget* parent) {
    const MeterEngine& meter = context.meter;
    RateGraphInput input;
    input.history = &meter.sampler.history;
    input.scaleTx = meter.settings.scaleTx;
    input.scaleRx = meter.settings.scaleRx;
    // The graph clears the update flag of the level it has drawn, so that it
    // repaints only when the meter has added a point.
    input.updated = context.historyUpdated.data();
    input.resetRequested = &context.resetRequested;
    CRateGraphDlg dialog(input, meter.Environment().settings, meter.Environment().messages, parent);
    dialog.exec();
}

}  // namespace

bool ViewerAvailable(unsigned command) {
    switch (command) {
        case kGraphCommand:
        case kDialupInfoCommand:
        case kLogCommand:
        case kWeeklyScopeCommand:
        case kCumulativeInfoCommand:
        case kAppUsageCommand:
            return true;
        default:
            return false;
    }
}

void RunViewer(unsigned command, const ViewerContext& context, QWidget* parent) {
    const MeterEnv& env = context.meter.Environment();
    switch (command) {
        case kGraphCommand:
            RunRateGraph(context, parent);
            break;
        case kDialupInfoCommand: {
            CDialupInfoDlg dialog(context.meter, context.resetRequested, parent);
            dialog.exec();
            break;
        }
        case kLogCommand: {
            LogViewerDlg dialog(context, parent);
            dialog.exec();
            break;
        }
        case kWeeklyScopeCommand: {
            CWeeklyScopeDlg dialog(env.files, env.clock);
            RunOwnerless(dialog);
            break;
        }
        case kCumulativeInfoCommand: {
            CCumInfoDlg dialog(env.settings, env.files, env.clock);
            if (!dialog.HasPeriods()) {
                env.messages.Show(kNoCumulativeFileMessage, LoadString(kNoCumulativeFileMessage),
                                  MessageIcon::Exclamation);
                break;
            }
            RunOwnerless(dialog);
            break;
        }
        case kAppUsageCommand: {
            // Today and the period are the meter's as the viewer opens.
            const BillingPeriod& period = context.meter.UsePeriod();
            CAppUsageDlg dialog(context.meter.AppUsage(), env.clock, PeriodFirstDay(period),
                                PeriodLastDay(period));
            RunOwnerless(dialog);
            break;
        }
        default:
            break;
    }
}

}  // namespace trovik
