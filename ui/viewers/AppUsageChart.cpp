#include "ui/viewers/AppUsageChart.h"

#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <array>
#include <cmath>

#include "stats/Allowance.h"

namespace trovik {
namespace {

constexpr int kSideMargin = 6;
constexpr int kIconSize = 24;
constexpr int kGap = 8;
constexpr int kRowPadding = 5;
constexpr int kLineGap = 3;
constexpr int kBarHeight = 8;
constexpr int kShortestBar = 24;
// The faint track the bar runs in shows the length the largest row takes.
constexpr QColor kBarTrack{0, 0, 0, 20};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont FiguresFont(const QFont& base) {
    QFont font = base;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 0.9);
    } else {
        font.setPixelSize(std::max(font.pixelSize() * 9 / 10, 8));
    }
    return font;
}

QFont TotalFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    return font;
}

}  // namespace

QString DataAmountText(std::uint64_t bytes) {
    std::array<char, 32> text{};
    return Utf8(std::string_view(text.data(),
                                 FormatDataAmountInto(text.data(), text.size(), bytes / 1024u)));
}

BarSegments AppBarSegments(const AppUsageRow& row, std::uint64_t largest, int width) {
    const std::uint64_t total = row.Total();
    if (total == 0 || largest == 0 || width <= 0) {
        return {};
    }
    // In floating point: two 64-bit counts cannot be multiplied exactly, and a
    // pixel is all the precision a bar needs.
    const double share = std::min(static_cast<double>(total) / static_cast<double>(largest), 1.0);
    const int length = std::max(static_cast<int>(std::lround(share * width)), 1);
    int received = static_cast<int>(
        std::lround(static_cast<double>(row.received) / static_cast<double>(total) * length));
    if (length >= 2 && row.received != 0 && row.sent != 0) {
        received = std::clamp(received, 1, length - 1);
    }
    return {received, length - received};
}

QIcon AppUsageIcon(const AppUsageRow& row, const QIcon& fallback) {
    if (row.unattributed) {
        return {};
    }
    const QString icon = Utf8(row.icon);
    if (icon.startsWith(QLatin1Char('/'))) {
        // A regular file only (reading a FIFO would wait for a writer), and
        // one that holds a picture: the icon itself would take a file's
        // name for its kind.
        if (!QFileInfo(icon).isFile() || !QImageReader(icon).canRead()) {
            return fallback;
        }
        return QIcon(icon);
    }
    if (icon.isEmpty() || icon.contains(QLatin1Char('/'))) {
        return fallback;
    }
    return QIcon::fromTheme(icon, fallback);
}

AppUsageChart::AppUsageChart(QWidget* parent) : QWidget(parent) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    fallbackIcon = QIcon::fromTheme(QStringLiteral("application-x-executable"),
                                    style()->standardIcon(QStyle::SP_FileIcon));
}

void AppUsageChart::SetRows(std::vector<AppUsageRow> shown) {
    const auto same = [](const AppUsageRow& a, const AppUsageRow& b) {
        return a.key == b.key && a.name == b.name && a.icon == b.icon && a.received == b.received &&
               a.sent == b.sent && a.unattributed == b.unattributed;
    };
    if (std::equal(rows.begin(), rows.end(), shown.begin(), shown.end(), same)) {
        return;
    }
    const bool resized = shown.size() != rows.size();
    rows = std::move(shown);
    largest = 0;
    for (const AppUsageRow& row : rows) {
        largest = std::max(largest, row.Total());
    }
    figuresWidth = FiguresWidth();
    if (resized) {
        updateGeometry();
    }
    update();
}

AppRowTexts AppUsageChart::Texts(std::size_t row) const {
    if (row >= rows.size()) {
        return {};
    }
    const AppUsageRow& r = rows[row];
    return {Utf8(r.name), DataAmountText(r.received), DataAmountText(r.sent),
            DataAmountText(r.Total())};
}

QString AppUsageChart::FiguresText(std::size_t row) const {
    const AppRowTexts texts = Texts(row);
    return Utf8(kAppReceivedText) + QLatin1Char(' ') + texts.received + QStringLiteral("  ") +
           Utf8(kAppSentText) + QLatin1Char(' ') + texts.sent;
}

int AppUsageChart::RowHeight() const {
    const int name = QFontMetrics(TotalFont(font())).height();
    const int figures = std::max(QFontMetrics(FiguresFont(font())).height(), kBarHeight);
    return std::max(kRowPadding + name + kLineGap + figures + kRowPadding, kIconSize + 8);
}

int AppUsageChart::FiguresWidth() const {
    const QFontMetrics metrics(FiguresFont(font()));
    int widest = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(FiguresText(i)));
    }
    return widest;
}

QRect AppUsageChart::RowRect(std::size_t row) const {
    const int height = RowHeight();
    return {0, static_cast<int>(row) * height, width(), height};
}

QRect AppUsageChart::BarRect(std::size_t row) const {
    const QRect rect = RowRect(row);
    const int left = kSideMargin + kIconSize + kGap;
    const int right = rect.width() - kSideMargin;
    const int length = std::max(right - left - figuresWidth - kGap, kShortestBar);
    const int nameHeight = QFontMetrics(TotalFont(font())).height();
    const int figuresHeight = std::max(QFontMetrics(FiguresFont(font())).height(), kBarHeight);
    const int top = rect.top() + kRowPadding + nameHeight + kLineGap;
    return {left, top + (figuresHeight - kBarHeight) / 2, length, kBarHeight};
}

BarSegments AppUsageChart::Segments(std::size_t row) const {
    if (row >= rows.size()) {
        return {};
    }
    return AppBarSegments(rows[row], largest, BarRect(row).width());
}

QSize AppUsageChart::sizeHint() const {
    return {360, static_cast<int>(rows.size()) * RowHeight()};
}

QSize AppUsageChart::minimumSizeHint() const {
    // As tall as all rows: in its scroll area the chart scrolls rather than
    // squeezes them.
    return {kSideMargin * 2 + kIconSize + kGap + kShortestBar * 4,
            static_cast<int>(rows.size()) * RowHeight()};
}

const QIcon& AppUsageChart::IconOf(const AppUsageRow& row) {
    if (row.unattributed) {
        return noIcon;
    }
    auto found = icons.find(row.icon);
    if (found == icons.end()) {
        found = icons.emplace(row.icon, AppUsageIcon(row, fallbackIcon)).first;
    }
    return found->second;
}

void AppUsageChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont nameFont = font();
    const QFont totalFont = TotalFont(font());
    const QFont figuresFont = FiguresFont(font());
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics totalMetrics(totalFont);
    const int textLeft = kSideMargin + kIconSize + kGap;
    const int textRight = width() - kSideMargin;
    const QColor text = palette().color(QPalette::Text);
    const QColor quiet = palette().color(QPalette::PlaceholderText);

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AppUsageRow& row = rows[i];
        const QRect rect = RowRect(i);
        if (i % 2 == 1) {
            painter.fillRect(rect, palette().color(QPalette::AlternateBase));
        }
        const QIcon& icon = IconOf(row);
        if (!icon.isNull()) {
            icon.paint(&painter, QRect(kSideMargin, rect.top() + (rect.height() - kIconSize) / 2,
                                       kIconSize, kIconSize));
        }

        const AppRowTexts texts = Texts(i);
        const int lineTop = rect.top() + kRowPadding;
        const int totalWidth = totalMetrics.horizontalAdvance(texts.total);
        painter.setFont(totalFont);
        painter.setPen(text);
        painter.drawText(QRect(textRight - totalWidth, lineTop, totalWidth, totalMetrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, texts.total);
        painter.setFont(nameFont);
        painter.setPen(row.unattributed ? quiet : text);
        const int nameWidth = std::max(textRight - textLeft - totalWidth - kGap, 0);
        painter.drawText(QRect(textLeft, lineTop, nameWidth, totalMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         nameMetrics.elidedText(texts.name, Qt::ElideRight, nameWidth));

        const QRect bar = BarRect(i);
        painter.fillRect(bar, kBarTrack);
        const BarSegments segments = AppBarSegments(row, largest, bar.width());
        painter.fillRect(QRect(bar.left(), bar.top(), segments.received, bar.height()),
                         kAppReceivedColour);
        painter.fillRect(
            QRect(bar.left() + segments.received, bar.top(), segments.sent, bar.height()),
            kAppSentColour);

        const QFontMetrics figuresMetrics(figuresFont);
        const int figuresTop = bar.center().y() - figuresMetrics.height() / 2;
        painter.setFont(figuresFont);
        painter.setPen(text);
        painter.drawText(
            QRect(bar.right() + 1 + kGap, figuresTop,
                  std::max(textRight - bar.right() - 1 - kGap, 0), figuresMetrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, FiguresText(i));
    }
}

void AppUsageChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        figuresWidth = FiguresWidth();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

}  // namespace trovik
