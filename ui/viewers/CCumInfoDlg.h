#pragma once

// The cumulative info (dialog 147, "累計情報"): one billing period of the
// yearly totals files, its totals and estimated charge under one charge
// type, and a chart of the period per day in four views. Modal; it only
// reads, and the closing day it lets the user change is not stored.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "stats/BillingSummary.h"
#include "stats/Charges.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"
#include "ui/charts/CumulativeChart.h"

class QComboBox;
class QPaintEvent;
class QScrollBar;
class QSpinBox;

namespace trovik {

class Clock;
class SettingsStore;

class CCumInfoDlg : public QDialog {
public:
    // Lists the periods of every year file from 2000 to 2099 and the shown
    // charge types, and selects today's period.
    CCumInfoDlg(SettingsStore& settings, const DataFiles& files, Clock& clock,
                QWidget* parent = nullptr);

    // False when no year has a file: the caller tells the user (message 18)
    // instead of showing the dialog.
    bool HasPeriods() const { return !periods.empty(); }

    // Re-reads the controls and shows the selected period: after any
    // selection, view or scale change.
    void Recompute();
    // "今月分": the listed period that holds today under the closing day
    // now set, which this recompute then uses.
    void SelectTodaysPeriod();
    // The scale of the current view one step larger (+1) or smaller (-1).
    void StepScale(int direction);
    // "最適": the smallest step that holds what the last paint drew.
    void BestScale();

    unsigned View() const { return view; }
    void SetView(unsigned chartView);
    unsigned ScaleStep(unsigned chartView) const { return steps[chartView % kChartViews]; }
    const BillingPeriod& Period() const { return period; }
    // The text of a control of the dialog (a value or label).
    QString Text(unsigned controlId) const;
    // What the chart shows now.
    CumulativeChart Chart() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FillTypeList(SettingsStore& settings);
    // The selected type, or nullptr when none is selected.
    const ChargeType* SelectedType() const;
    int SelectedTypePosition() const;
    void SetText(unsigned controlId, const std::string& text);
    // The same for a number that can outgrow its field: the period's
    // kilobytes on a fast line, the yen of a stored type beyond what the
    // detail dialog takes. Too wide, it reads in the compact form.
    void SetNumberText(unsigned controlId, const std::string& text);
    void OnScaleSpin(int position);

    Clock& clock;
    const DataFiles files;
    std::vector<PeriodEntry> periods;
    // The 16 types, filled for the listed ones; `listed` holds their numbers
    // in list order.
    std::array<ChargeType, kChargeTypeCount> types{};
    std::vector<unsigned> listed;
    std::vector<ChargeType> listedTypes;
    CumulativeImage image;
    unsigned loadedYear = 0;
    BillingPeriod period;
    unsigned view = kConnectTimeView;
    std::array<unsigned, kChartViews> steps{9, 9, 0, 3};
    std::array<std::uint64_t, kChartViews> largest{};
    bool recomputing = false;

    QComboBox* periodList = nullptr;
    QComboBox* typeList = nullptr;
    QSpinBox* closeDay = nullptr;
    QScrollBar* scaleSpin = nullptr;
};

}  // namespace trovik
