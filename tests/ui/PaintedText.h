#pragma once

#include <QImage>
#include <QLabel>

namespace trovik::testing {

// Whether a label paints its whole text: a text clipped at its field's edge
// covers fewer pixel columns than in a copy of the label wide enough for it.
inline bool PaintsWholeText(QLabel& label) {
    const auto inkColumns = [](QLabel& shown) {
        QImage image(shown.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        shown.render(&image);
        const QRect inside = shown.contentsRect();
        int first = -1;
        int last = -1;
        for (int x = inside.left(); x <= inside.right(); ++x) {
            for (int y = inside.top(); y <= inside.bottom(); ++y) {
                if (qGray(image.pixel(x, y)) < 128) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
        }
        return last - first;
    };
    QLabel wide(label.text());
    wide.setFont(label.font());
    wide.setAlignment(label.alignment());
    wide.setFrameStyle(label.frameStyle());
    wide.setFixedSize(label.width() + 1000, label.height());
    const int columns = inkColumns(label);
    return columns > 0 && columns == inkColumns(wide);
}

}  // namespace trovik::testing
