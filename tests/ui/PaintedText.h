#pragma once

// Whether a label paints its whole text, judged by the pixels: a text
// clipped at its field's edge covers fewer columns than the same text in a
// copy of the label wide enough for anything.

#include <QImage>
#include <QLabel>

namespace trovik::testing {

// The columns between the first and the last dark pixel inside the
// label's contents, as painted on white.
inline int InkColumns(QLabel& label) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    const QRect inside = label.contentsRect();
    int first = -1;
    int last = -1;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

inline bool PaintsWholeText(QLabel& label) {
    QLabel wide(label.text());
    wide.setFont(label.font());
    wide.setTextFormat(label.textFormat());
    wide.setAlignment(label.alignment());
    wide.setFrameStyle(label.frameStyle());
    wide.setLineWidth(label.lineWidth());
    wide.setFixedSize(label.width() + 1000, label.height());
    const int columns = InkColumns(label);
    return columns > 0 && columns == InkColumns(wide);
}

}  // namespace trovik::testing
