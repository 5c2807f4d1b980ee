#pragma once

// Number texts for the fixed-size labels of the dialogs: a number too wide
// for its field is shown in the compact form (res/CompactNumber.h) rather
// than with its leading digits cut off.

#include <QString>
#include <string_view>

class QLabel;

namespace trovik {

// The pixels across that `label` gives a one-line text at its font before
// the text is clipped: its contents width less its margins and, where the
// text is aligned to a side, the indent on that side (a framed label without
// an indent of its own keeps half an 'x' clear of the frame).
int LabelTextRoom(const QLabel& label);

// What `label` shows for `exact`, a text with numbers in it: `exact` itself
// where it fits LabelTextRoom at the label's font; else the text with its
// numbers of 1000 and more in the compact form with tenths ("103.8K"), or
// where that does not fit either, without them ("103K"). A field too narrow
// even for that gets the shortest form.
QString FittedNumberText(const QLabel& label, std::string_view exact);

}  // namespace trovik
