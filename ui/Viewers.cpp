#include "ui/Viewers.h"

#include "core/MeterEngine.h"

namespace trovik {

bool ViewerAvailable(unsigned command) {
    switch (command) {
        default:
            return false;
    }
}

void RunViewer(unsigned command, const ViewerContext& context, QWidget* parent) {
    (void)context;
    (void)parent;
    switch (command) {
        default:
            break;
    }
}

}  // namespace trovik
