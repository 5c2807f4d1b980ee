#include "ui/common/FittedText.h"

#include <QFontMetrics>
#include <QLabel>
#include <string>

#include "res/CompactNumber.h"

namespace trovik {
namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

int LabelTextRoom(const QLabel& label) {
    int room = label.contentsRect().width() - 2 * label.margin();
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0) {
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label.margin();
    }
    if (indent > 0 && (label.alignment() & (Qt::AlignLeft | Qt::AlignRight)) != 0) {
        room -= indent;
    }
    return room;
}

QString FittedNumberText(const QLabel& label, std::string_view exact) {
    const QFontMetrics metrics = label.fontMetrics();
    const int room = LabelTextRoom(label);
    QString text = Utf8(exact);
    if (metrics.horizontalAdvance(text) <= room) {
        return text;
    }
    text = Utf8(CompactNumbers(exact));
    if (metrics.horizontalAdvance(text) <= room) {
        return text;
    }
    return Utf8(CompactNumbers(exact, false));
}

}  // namespace trovik
