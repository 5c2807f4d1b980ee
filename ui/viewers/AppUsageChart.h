#pragma once

// The rows of the usage per application as the viewer paints them: per row
// the application's icon and name, its total, and a bar as long as its
// total against the largest row's, received and sent in two colours, with
// the two figures beside it. The rows keep the order they are given in.

#include <QColor>
#include <QIcon>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "stats/AppUsageDb.h"

class QPaintEvent;

namespace trovik {

// The bars' two colours, the legend's too: received in green and sent in
// blue, as the cumulative info's transfer view has them, softened for a
// light window.
inline constexpr QColor kAppReceivedColour{46, 160, 67};
inline constexpr QColor kAppSentColour{52, 120, 246};
inline constexpr std::string_view kAppReceivedText = "受信";
inline constexpr std::string_view kAppSentText = "送信";

// An amount of bytes in the program's style for data amounts: whole
// kilobytes, truncated, in binary units ("512 KB", "1.5 MB", "1.23 GB").
QString DataAmountText(std::uint64_t bytes);

// The lengths in pixels of a row's two bar segments, on a bar `width` long
// for the largest total. A row that moved anything shows at least one pixel,
// and while the bar is two pixels or longer each direction that moved
// anything keeps one of them.
struct BarSegments {
    int received = 0;
    int sent = 0;
    bool operator==(const BarSegments&) const = default;
};
BarSegments AppBarSegments(const AppUsageRow& row, std::uint64_t largest, int width);

// The icon a row is shown with: a theme icon by its name, a picture file by
// its absolute path, `fallback` for anything else (no icon, a relative path,
// a name the theme lacks, a file that does not load). The unattributed row
// belongs to no application and gets no icon.
QIcon AppUsageIcon(const AppUsageRow& row, const QIcon& fallback);

// The texts a row is painted with.
struct AppRowTexts {
    QString name;
    QString received;
    QString sent;
    QString total;
};

class AppUsageChart final : public QWidget {
public:
    explicit AppUsageChart(QWidget* parent = nullptr);

    // Shows `rows`; repaints only when they differ from those shown.
    void SetRows(std::vector<AppUsageRow> rows);
    const std::vector<AppUsageRow>& Rows() const { return rows; }

    AppRowTexts Texts(std::size_t row) const;
    // Where row `row` and its bar are painted at the widget's present width.
    QRect RowRect(std::size_t row) const;
    QRect BarRect(std::size_t row) const;
    BarSegments Segments(std::size_t row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int RowHeight() const;
    // The width of the figures beside the bars: the widest row's, kept in
    // figuresWidth while the rows and the font stay.
    int FiguresWidth() const;
    QString FiguresText(std::size_t row) const;
    const QIcon& IconOf(const AppUsageRow& row);

    std::vector<AppUsageRow> rows;
    std::uint64_t largest = 0;
    int figuresWidth = 0;
    // Icons by their name or path, looked up once each: the rows are set
    // again every second.
    std::unordered_map<std::string, QIcon> icons;
    QIcon noIcon;
    QIcon fallbackIcon;
};

}  // namespace trovik
