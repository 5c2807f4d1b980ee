#include "ui/viewers/CAppUsageDlg.h"

#include <QButtonGroup>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Clock.h"
#include "res/TextFormat.h"
#include "ui/viewers/AppUsageChart.h"

namespace trovik {
namespace {

constexpr int kRefreshMs = 1000;
constexpr int kRowsPage = 0;
constexpr int kMessagePage = 1;

constexpr std::string_view kTodayText = "今日";
constexpr std::string_view kPeriodFormat = "今期 (%u/%u〜%u/%u)";
constexpr std::string_view kPeriodDatesFormat = "%u年%u月%u日〜%u年%u月%u日";
constexpr std::string_view kChosenDayText = "日付を指定";
constexpr std::string_view kCloseText = "閉じる";
constexpr std::string_view kTotalFormat = "合計 %s（%s %s / %s %s）";

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::uint32_t DayOf(const Date& date) {
    return DayNumber(date.year, date.month, date.day);
}

QLabel* Swatch(const QColor& colour, QWidget* parent) {
    QPixmap square(10, 10);
    square.fill(colour);
    auto* label = new QLabel(parent);
    label->setPixmap(square);
    return label;
}

}  // namespace

CAppUsageDlg::CAppUsageDlg(const AppUsageView& usage, Clock& clock, Date first, Date last,
                           QWidget* parent)
    : QDialog(parent), view(usage), periodFirst(DayOf(first)), periodLast(DayOf(last)) {
    setWindowTitle(Utf8(kAppUsageTitle));
    setModal(true);
    setSizeGripEnabled(true);
    const LocalTime now = ToLocalTime(clock.Now());
    today = DayNumber(now.year, now.month, now.day);

    auto* layout = new QVBoxLayout(this);

    auto* ranges = new QHBoxLayout;
    todayButton = new QRadioButton(Utf8(kTodayText), this);
    periodButton = new QRadioButton(
        Utf8(FormatText(kPeriodFormat, {first.month, first.day, last.month, last.day})), this);
    periodButton->setToolTip(
        Utf8(FormatText(kPeriodDatesFormat,
                        {first.year, first.month, first.day, last.year, last.month, last.day})));
    dayButton = new QRadioButton(Utf8(kChosenDayText), this);
    dayEdit = new QDateEdit(
        QDate(static_cast<int>(now.year), static_cast<int>(now.month), static_cast<int>(now.day)),
        this);
    dayEdit->setCalendarPopup(true);
    dayEdit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dayEdit->setMaximumDate(dayEdit->date());
    auto* group = new QButtonGroup(this);
    for (QRadioButton* button : {todayButton, periodButton, dayButton}) {
        group->addButton(button);
        ranges->addWidget(button);
    }
    ranges->addWidget(dayEdit);
    ranges->addStretch();
    layout->addLayout(ranges);

    note = new QLabel(Utf8(kAppUsageInMemoryText), this);
    note->setWordWrap(true);
    note->setVisible(false);
    layout->addWidget(note);

    pages = new QStackedWidget(this);
    auto* scroll = new QScrollArea(pages);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chart = new AppUsageChart(scroll);
    scroll->setWidget(chart);
    pages->insertWidget(kRowsPage, scroll);
    message = new QLabel(pages);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    pages->insertWidget(kMessagePage, message);
    layout->addWidget(pages, 1);

    total = new QLabel(this);
    layout->addWidget(total);

    kind = new QLabel(this);
    layout->addWidget(kind);

    auto* bottom = new QHBoxLayout;
    legend = new QWidget(this);
    auto* colours = new QHBoxLayout(legend);
    colours->setContentsMargins(0, 0, 0, 0);
    colours->addWidget(Swatch(kAppReceivedColour, legend));
    colours->addWidget(new QLabel(Utf8(kAppReceivedText), legend));
    colours->addSpacing(8);
    colours->addWidget(Swatch(kAppSentColour, legend));
    colours->addWidget(new QLabel(Utf8(kAppSentText), legend));
    bottom->addWidget(legend);
    bottom->addStretch();
    auto* close = new QPushButton(Utf8(kCloseText), this);
    close->setDefault(true);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    todayButton->setChecked(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(todayButton, &QRadioButton::clicked, this, [this] { Choose(AppUsageRange::Today); });
    connect(periodButton, &QRadioButton::clicked, this, [this] { Choose(AppUsageRange::Period); });
    connect(dayButton, &QRadioButton::clicked, this, [this] { Choose(AppUsageRange::Day); });
    // Picking a day is choosing to see it.
    connect(dayEdit, &QDateEdit::dateChanged, this, [this] { Choose(AppUsageRange::Day); });

    refresh = new QTimer(this);
    refresh->setInterval(kRefreshMs);
    connect(refresh, &QTimer::timeout, this, [this] { Refresh(); });
    refresh->start();

    resize(420, 360);
    Refresh();
}

void CAppUsageDlg::Choose(AppUsageRange which) {
    range = which;
    if (QRadioButton* button = RangeButton(which); !button->isChecked()) {
        button->setChecked(true);
    }
    Refresh();
}

std::uint32_t CAppUsageDlg::FirstDay() const {
    switch (range) {
        case AppUsageRange::Today:
            return today;
        case AppUsageRange::Period:
            return periodFirst;
        case AppUsageRange::Day: {
            const QDate day = dayEdit->date();
            return DayNumber(static_cast<unsigned>(day.year()), static_cast<unsigned>(day.month()),
                             static_cast<unsigned>(day.day()));
        }
    }
    return today;
}

std::uint32_t CAppUsageDlg::LastDay() const {
    return range == AppUsageRange::Period ? periodLast : FirstDay();
}

QRadioButton* CAppUsageDlg::RangeButton(AppUsageRange which) const {
    switch (which) {
        case AppUsageRange::Today:
            return todayButton;
        case AppUsageRange::Period:
            return periodButton;
        case AppUsageRange::Day:
            return dayButton;
    }
    return todayButton;
}

void CAppUsageDlg::Refresh() {
    const AppUsageState state = view.State();
    const bool off = state == AppUsageState::Off;
    std::vector<AppUsageRow> rows;
    if (!off) {
        rows = view.Summary(FirstDay(), LastDay());
    }
    for (QWidget* control :
         {static_cast<QWidget*>(todayButton), static_cast<QWidget*>(periodButton),
          static_cast<QWidget*>(dayButton), static_cast<QWidget*>(dayEdit)}) {
        control->setEnabled(!off);
    }
    note->setVisible(state == AppUsageState::InMemory);

    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    for (const AppUsageRow& row : rows) {
        received += row.received;
        sent += row.sent;
    }
    QString sum;
    if (!rows.empty()) {
        const std::string all = DataAmountText(received + sent).toStdString();
        const std::string down = DataAmountText(received).toStdString();
        const std::string up = DataAmountText(sent).toStdString();
        sum = Utf8(
            FormatText(kTotalFormat, {std::string_view(all), kAppReceivedText,
                                      std::string_view(down), kAppSentText, std::string_view(up)}));
    }
    if (total->text() != sum) {
        total->setText(sum);
    }
    total->setVisible(!rows.empty());
    legend->setVisible(!rows.empty());

    const QString shown = off            ? Utf8(kAppUsageOffText)
                          : rows.empty() ? Utf8(kAppUsageEmptyText)
                                         : QString();
    if (message->text() != shown) {
        message->setText(shown);
    }
    const QString how =
        Utf8(view.Kind() == AppUsageKind::Exact ? kAppUsageExactText : kAppUsageTcpOnlyText);
    if (kind->text() != how) {
        kind->setText(how);
    }
    pages->setCurrentIndex(rows.empty() ? kMessagePage : kRowsPage);
    chart->SetRows(std::move(rows));
}

QString CAppUsageDlg::Message() const {
    return pages->currentIndex() == kMessagePage ? message->text() : QString();
}

QString CAppUsageDlg::Note() const {
    return note->isVisibleTo(this) ? note->text() : QString();
}

QString CAppUsageDlg::TotalText() const {
    return total->text();
}

QString CAppUsageDlg::KindText() const {
    return kind->text();
}

}  // namespace trovik
