#include "ui/viewers/CCumInfoDlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <algorithm>

#include "core/Clock.h"
#include "res/DialogTemplates.h"
#include "settings/ChargeSettings.h"
#include "settings/SettingsStore.h"
#include "stats/Calendar.h"
#include "ui/common/DialogBuilder.h"
#include "ui/common/FittedText.h"

namespace trovik {
namespace {

constexpr int kScaleSpinLarger = 0;  // reaching it: the next larger full scale
constexpr int kScaleSpinRest = 1;
constexpr int kScaleSpinSmaller = 2;

// The view radio buttons in ChartMode order.
constexpr std::array<unsigned, kChartViews> kViewButtons{kCumTimeView, kCumTransferView,
                                                         kCumHourView, kCumChargeView};

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CCumInfoDlg::CCumInfoDlg(SettingsStore& settings, const DataFiles& dataFiles, Clock& theClock,
                         QWidget* parent)
    : QDialog(parent), clock(theClock), files(dataFiles) {
    BuildDialog(this, *FindDialogTemplate(kCumInfoDialog));
    setModal(true);
    periodList = ControlById<QComboBox>(this, kCumPeriodList);
    typeList = ControlById<QComboBox>(this, kCumTypeList);
    closeDay = ControlById<QSpinBox>(this, kCumCloseDaySpin);
    scaleSpin = ControlById<QScrollBar>(this, kCumScaleSpin);

    const LocalTime today = ToLocalTime(clock.Now());
    periods = ListBillingPeriods(files, today);
    if (periods.empty()) {
        return;
    }
    for (const PeriodEntry& entry : periods) {
        periodList->addItem(Utf8(entry.text), entry.data);
    }
    periodList->setCurrentIndex(periodList->count() - 1);
    FillTypeList(settings);

    scaleSpin->setRange(kScaleSpinLarger, kScaleSpinSmaller);
    scaleSpin->setSingleStep(1);
    scaleSpin->setPageStep(1);
    scaleSpin->setValue(kScaleSpinRest);
    closeDay->setRange(1, 28);
    closeDay->setValue(settings.GetInt(SettingKey::TollCloseDay, 10));
    if (auto* first = ControlById<QRadioButton>(this, kViewButtons[0])) {
        first->setChecked(true);
    }
    Recompute();
    SelectTodaysPeriod();

    connect(periodList, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(typeList, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(scaleSpin, &QScrollBar::valueChanged, this, [this](int value) { OnScaleSpin(value); });
    for (unsigned v = 0; v < kChartViews; ++v) {
        if (auto* button = ControlById<QRadioButton>(this, kViewButtons[v])) {
            connect(button, &QRadioButton::toggled, this, [this, v](bool on) {
                if (on) {
                    SetView(v);
                }
            });
        }
    }
    if (auto* best = ControlById<QPushButton>(this, kCumBestScaleButton)) {
        connect(best, &QPushButton::clicked, this, [this] { BestScale(); });
    }
    if (auto* thisMonth = ControlById<QPushButton>(this, kCumThisMonthButton)) {
        connect(thisMonth, &QPushButton::clicked, this, [this] { SelectTodaysPeriod(); });
    }
    if (auto* ok = ControlById<QPushButton>(this, kOkButton)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

void CCumInfoDlg::FillTypeList(SettingsStore& settings) {
    const std::int32_t defaultType = settings.GetInt(SettingKey::DefaultTollType, 0);
    int selected = -1;
    for (unsigned n = 0; n < kChargeTypeCount; ++n) {
        const std::string name = GetChargeTypeName(settings, n);
        if (name.empty() || !IsChargeTypeShown(settings, n)) {
            continue;
        }
        ReadChargeType(settings, n, types[n]);
        types[n].name = name;
        if (static_cast<std::int64_t>(n) == defaultType) {
            selected = static_cast<int>(listed.size());
        }
        listed.push_back(n);
        listedTypes.push_back(types[n]);
        typeList->addItem(Utf8(name), n);
    }
    // A hidden or unknown default type leaves the list without a selection.
    typeList->setCurrentIndex(selected);
}

int CCumInfoDlg::SelectedTypePosition() const {
    const int position = typeList != nullptr ? typeList->currentIndex() : -1;
    return position >= 0 && static_cast<std::size_t>(position) < listed.size() ? position : -1;
}

const ChargeType* CCumInfoDlg::SelectedType() const {
    const int position = SelectedTypePosition();
    if (position < 0) {
        return nullptr;
    }
    const unsigned n = listed[static_cast<std::size_t>(position)];
    return n < types.size() ? &types[n] : nullptr;
}

void CCumInfoDlg::SetText(unsigned controlId, const std::string& text) {
    if (auto* label = ControlById<QLabel>(this, controlId)) {
        label->setText(Utf8(text));
    }
}

void CCumInfoDlg::SetNumberText(unsigned controlId, const std::string& text) {
    if (auto* label = ControlById<QLabel>(this, controlId)) {
        label->setText(FittedNumberText(*label, text));
    }
}

QString CCumInfoDlg::Text(unsigned controlId) const {
    const auto* label = ControlById<QLabel>(this, controlId);
    return label != nullptr ? label->text() : QString();
}

void CCumInfoDlg::Recompute() {
    if (periods.empty() || recomputing) {
        return;
    }
    recomputing = true;
    const int index = std::max(periodList->currentIndex(), 0);
    const unsigned entry = periods[static_cast<std::size_t>(index)].data;
    const unsigned year = entry / 100;
    if (year != loadedYear) {
        ReadCumulativeYear(files, year, image);
        loadedYear = year;
    }
    period = PeriodClosingIn(year, entry % 100, static_cast<unsigned>(closeDay->value()));

    // Without a type every hour counts as a normal one, and the estimate
    // stays blank: connect time and transfer are the same under any type.
    const ChargeType* type = SelectedType();
    const PeriodSummary summary = SummarisePeriod(image, period, type ? *type : ChargeType{});
    SetText(kCumTotalTimeText, summary.total);
    SetNumberText(kCumRecvText, summary.recv);
    SetNumberText(kCumSentText, summary.sent);
    SetText(kCumNormalMinutes, type ? summary.normalMin : std::string());
    SetText(kCumDiscountMinutes, type ? summary.discountMin : std::string());
    SetNumberText(kCumNormalYen, type ? summary.normal : std::string());
    SetNumberText(kCumDiscountYen, type ? summary.discount : std::string());
    SetNumberText(kCumTotalYen, type ? summary.sum : std::string());

    const ScaleLabels labels = SideScaleLabels(view, FullScale(view, steps[view]));
    SetText(kCumFullLabel, labels.full);
    SetText(kCumHalfLabel, labels.half);
    update();
    recomputing = false;
}

void CCumInfoDlg::SelectTodaysPeriod() {
    const LocalTime today = ToLocalTime(clock.Now());
    // The closing day the user set takes effect here, for the choice of the
    // period as for what it shows.
    const auto dayNow = static_cast<unsigned>(closeDay->value());
    if (const auto found = TodaysPeriod(periods, today, dayNow)) {
        const QSignalBlocker quiet(periodList);
        periodList->setCurrentIndex(static_cast<int>(*found));
    }
    Recompute();
}

void CCumInfoDlg::SetView(unsigned chartView) {
    view = chartView % kChartViews;
    const bool scaled = view != kHourOfDayView;
    scaleSpin->setEnabled(scaled);
    if (auto* best = ControlById(this, kCumBestScaleButton)) {
        best->setEnabled(scaled);
    }
    if (auto* button = ControlById<QRadioButton>(this, kViewButtons[view])) {
        const QSignalBlocker quiet(button);
        button->setChecked(true);
    }
    Recompute();
}

void CCumInfoDlg::StepScale(int direction) {
    unsigned& step = steps[view];
    if (direction > 0) {
        step = std::min(step + 1, kLargestScaleStep);
    } else if (direction < 0) {
        step = std::max(std::min(step, kLargestScaleStep + 1) - 1, 1u);
    }
    Recompute();
}

void CCumInfoDlg::OnScaleSpin(int position) {
    if (position == kScaleSpinRest) {
        return;
    }
    {
        const QSignalBlocker quiet(scaleSpin);
        scaleSpin->setValue(kScaleSpinRest);
    }
    StepScale(position == kScaleSpinLarger ? +1 : -1);
}

void CCumInfoDlg::BestScale() {
    steps[view] = BestScaleStep(view, largest[view]);
    Recompute();
}

CumulativeChart CCumInfoDlg::Chart() const {
    CumulativeChart chart;
    chart.image = &image;
    chart.period = period;
    chart.view = view;
    chart.fullScale = FullScale(view, steps[view]);
    if (const ChargeType* type = SelectedType()) {
        chart.discountHours = type->dow;
    }
    chart.shownTypes = listedTypes;
    chart.lastRecord = LastRecordUpTo(loadedYear, ToLocalTime(clock.Now()));
    return chart;
}

void CCumInfoDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (periods.empty()) {
        return;
    }
    QPainter painter(this);
    if (const QWidget* frame = ControlById(this, kCumChartFrame)) {
        largest[view] = PaintCumulativeChart(painter, frame->geometry(), Chart());
    }
    const int position = SelectedTypePosition();
    if (const QWidget* box = ControlById(this, kCumColourBox); box != nullptr && position >= 0) {
        painter.fillRect(box->geometry(), ChargeLineColour(static_cast<std::size_t>(position)));
    }
}

}  // namespace trovik
