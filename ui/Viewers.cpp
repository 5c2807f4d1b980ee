#include "ui/Viewers.h"

#include "core/MeterEngine.h"
#include "ui/CDialupInfoDlg.h"
#include "ui/CRateGraphDlg.h"
#include "ui/LogViewerDlg.h"

namespace trovik {

namespace {

void RunRateGraph(const ViewerContext& context, QWidget* parent) {
    const MeterEngine& meter = context.meter;
    RateGraphInput input;
    input.history = &meter.sampler.history;
    input.scaleTx = meter.settings.scaleTx;
    input.scaleRx = meter.settings.scaleRx;
    // The graph clears the update flag of the level it has drawn, so that it
    // repaints only when the meter has added a point. The meter itself is
    // not const; the view handed to the viewers is.
    input.updated = const_cast<std::uint8_t*>(meter.sampler.history.historyUpdated.data());
    input.resetRequested = &context.resetRequested;
    CRateGraphDlg dialog(input, meter.Environment().settings, meter.Environment().messages, parent);
    dialog.exec();
}

}  // namespace

bool ViewerAvailable(unsigned command) {
    switch (command) {
        case 320:
        case 384:
        case 400:
            return true;
        default:
            return false;
    }
}

void RunViewer(unsigned command, const ViewerContext& context, QWidget* parent) {
    switch (command) {
        case 320:
            RunRateGraph(context, parent);
            break;
        case 384: {
            CDialupInfoDlg dialog(context.meter, context.resetRequested, parent);
            dialog.exec();
            break;
        }
        case 400: {
            LogViewerDlg dialog(context, parent);
            dialog.exec();
            break;
        }
        default:
            break;
    }
}

}  // namespace trovik
