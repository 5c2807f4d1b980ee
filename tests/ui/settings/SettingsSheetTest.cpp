// The settings sheet and its pages on Qt's offscreen platform, driven through
// their real controls: what each page shows, refuses and writes, the charge
// detail dialog, and the meter window running the sheet by command 288.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/AcctdSetup.h"
#include "platform/Autostart.h"
#include "tests/ScratchDir.h"
#include "tests/core/EngineFixture.h"
#include "tests/settings/RecordingBackend.h"
#include "ui/common/UpDownControl.h"
#include "ui/meter/CMeterDlg.h"
#include "ui/meter/TrayImages.h"
#include "ui/settings/CChargeDetailDlg.h"
#include "ui/settings/CCnfBasicPage.h"
#include "ui/settings/CCnfCumuPage.h"
#include "ui/settings/CCnfDiscPage.h"
#include "ui/settings/CCnfEtcPage.h"
#include "ui/settings/CCnfExtDllPage.h"
#include "ui/settings/CCnfLayoutPage.h"
#include "ui/settings/CCnfMousePage.h"
#include "ui/settings/CCnfQuotaPage.h"
#include "ui/settings/CConfigDlg.h"

namespace trovik {
namespace {

enum Tab { kBasic, kMouse, kDisc, kLayout, kCumu, kExt, kEtc, kQuota };

template <class T = QWidget>
T* Ctl(const QWidget* page, unsigned id) {
    T* control = ControlById<T>(page, id);
    EXPECT_NE(control, nullptr) << id;
    return control;
}

QString Text(const QWidget* page, unsigned id) {
    if (auto* label = ControlById<QLabel>(page, id)) {
        return label->text();
    }
    return Ctl<QLineEdit>(page, id)->text();
}

void Type(const QWidget* page, unsigned id, const char* text) {
    Ctl<QLineEdit>(page, id)->setText(QString::fromUtf8(text));
}

bool On(const QWidget* page, unsigned id) {
    return Ctl<QAbstractButton>(page, id)->isChecked();
}

// Runs `action` on the modal dialog that is open once the event loop turns;
// a dialog the action left open (a failed expectation) is closed, so that a
// failing test never hangs.
void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        action(modal);
        if (QApplication::activeModalWidget() == modal) {
            modal->close();
        }
    });
}

class SettingsSheetTest : public ::testing::Test {
protected:
    bool countsNothing = false;
    void Open(LoginStart* login = nullptr, ExactAccounting* exact = nullptr) {
        sheet = std::make_unique<CConfigDlg>(SheetContext{store,
                                                          messages,
                                                          program.path().string() + "/",
                                                          "/nonexistent-data",
                                                          {"lo", "ppp0"},
                                                          countsNothing,
                                                          login,
                                                          [this] { return useKB; },
                                                          [this] { return days; },
                                                          exact});
    }
    template <class T>
    T* Show(Tab tab) {
        EXPECT_TRUE(sheet->ShowPage(tab));
        return sheet->PageAs<T>(tab);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& box : messages.shown) {
            out.push_back(box.text);
        }
        return out;
    }

    testing::ScratchDir program{"trovik-sheet-"};
    testing::RecordingBackend backend;
    SettingsStore store{backend};
    RecordedMessages messages;
    std::uint64_t useKB = 0;  // the meter's use of the period, as the sheet reads it
    PeriodDays days{};        // and where today lies in the period
    std::unique_ptr<CConfigDlg> sheet;
};

TEST_F(SettingsSheetTest, EightPagesInTabOrderOnlyTheFirstMadeAtOnce) {
    Open();
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("設定変更"));
    ASSERT_EQ(sheet->PageCount(), 8);
    EXPECT_NE(sheet->PageAs<CCnfBasicPage>(kBasic), nullptr);
    for (int tab = 1; tab < 8; ++tab) {
        EXPECT_EQ(sheet->Page(tab), nullptr) << tab;
    }
    EXPECT_NE(Show<CCnfQuotaPage>(kQuota), nullptr);
    EXPECT_NE(Show<CCnfEtcPage>(kEtc), nullptr);
    EXPECT_EQ(sheet->Page(kMouse), nullptr) << "pages not shown are not made";
    EXPECT_TRUE(backend.writes.empty()) << "reading the pages wrote nothing";
}

TEST_F(SettingsSheetTest, OkAtOnceWritesOnlyTheBasicPage) {
    Open();
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(backend.writes,
              (std::vector<std::string>{"Settings/SpanAll=0", "Settings/Span=30",
                                        "Settings/ScaleTx=2000", "Settings/ScaleRx=5000"}));
}

TEST_F(SettingsSheetTest, CancelWritesNothing) {
    Open();
    Type(Show<CCnfDiscPage>(kDisc), 1043, "45");
    Show<CCnfEtcPage>(kEtc);
    sheet->reject();
    EXPECT_TRUE(backend.writes.empty());
}

TEST_F(SettingsSheetTest, BasicPageClampsScalesAndChecksTheDisabledSeconds) {
    backend.Set("ScaleRx", "0");
    backend.Set("ScaleTx", "200000000");
    backend.Set("SpanAll", "1");
    backend.Set("Span", "5");
    Open();
    auto* page = sheet->PageAs<CCnfBasicPage>(kBasic);
    EXPECT_EQ(Text(page, 1010), QStringLiteral("1"));
    EXPECT_EQ(Text(page, 1009), QStringLiteral("100000000"));
    EXPECT_EQ(Text(page, 1074), QStringLiteral("0"));
    EXPECT_TRUE(On(page, 1006));
    EXPECT_FALSE(Ctl(page, 1074)->isEnabled());

    // Refused although disabled; the page stays and the field has the focus.
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), std::vector<std::string>{"1 から 10 までの整数を入力してください。"});
    EXPECT_TRUE(backend.writes.empty());
    EXPECT_FALSE(sheet->ShowPage(kMouse));
    EXPECT_EQ(sheet->CurrentPage(), kBasic);

    Ctl<QRadioButton>(page, 1007)->click();
    EXPECT_TRUE(Ctl(page, 1074)->isEnabled());
    Type(page, 1074, "4");
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"SpanAll=0", "Span=40", "ScaleTx=100000000", "ScaleRx=1"}));
}

TEST_F(SettingsSheetTest, NumberFieldsRefuseWhatIsNoNumber) {
    Open();
    auto* page = sheet->PageAs<CCnfBasicPage>(kBasic);
    struct Case {
        unsigned field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {1010, "", "正の整数を入力してください。"},
        {1009, "12x", "正の整数を入力してください。"},
        {1009, "0", "1 から 100000000 までの整数を入力してください。"},
        {1010, "100000001", "1 から 100000000 までの整数を入力してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages.shown.clear();
        Type(page, 1010, "5000");
        Type(page, 1009, "2000");
        Type(page, c.field, c.text);
        EXPECT_FALSE(sheet->ShowPage(kEtc));
        EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(page->focusWidget(), Ctl(page, c.field));
    }
}

TEST_F(SettingsSheetTest, UpDownsStepTheirFieldsWithinTheirRanges) {
    Open();
    auto* page = sheet->PageAs<CCnfBasicPage>(kBasic);
    auto* scale = Ctl<UpDownControl>(page, 1011);
    EXPECT_EQ(scale->Buddy(), Ctl<QLineEdit>(page, 1010));
    EXPECT_EQ(scale->Low(), 1u);
    EXPECT_EQ(scale->High(), 100000000u);
    Type(page, 1010, "100000000");
    scale->Step(1);
    EXPECT_EQ(Text(page, 1010), QStringLiteral("100000000"));
    Type(page, 1010, "");
    scale->Step(1);
    EXPECT_EQ(Text(page, 1010), QStringLiteral("1")) << "no number starts from the low end";
    auto* seconds = Ctl<UpDownControl>(page, 1073);
    Type(page, 1074, "0");
    seconds->Step(-1);
    EXPECT_EQ(Text(page, 1074), QStringLiteral("1"));
}

TEST_F(SettingsSheetTest, MousePageShowsUnofferedCodesAsNothingAndWritesThemBack) {
    backend.Set("ClickL", "480");
    backend.Set("ClickShiftR", "368");
    backend.Set("ClickM", "288");
    Open();
    auto* page = Show<CCnfMousePage>(kMouse);
    EXPECT_TRUE(On(page, MouseRadioId(3, 0))) << "left: row 0";
    EXPECT_TRUE(On(page, MouseRadioId(4, 2))) << "middle: row 2, 288";
    EXPECT_TRUE(On(page, MouseRadioId(2, 7))) << "Shift + right: row 7, 368";
    // Each column is its own group.
    Ctl<QRadioButton>(page, MouseRadioId(5, 3))->click();
    Ctl<QRadioButton>(page, MouseRadioId(0, 1))->click();
    EXPECT_TRUE(On(page, MouseRadioId(3, 0)));
    EXPECT_TRUE(On(page, MouseRadioId(4, 2)));
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    const std::vector<std::string> mouse(writes.begin() + 4, writes.end());
    EXPECT_EQ(mouse,
              (std::vector<std::string>{"ClickL=0", "ClickM=288", "ClickR=320", "ClickShiftL=135",
                                        "ClickShiftM=0", "ClickShiftR=368"}));
}

TEST_F(SettingsSheetTest, DiscPageRangesAndEnableRules) {
    backend.Set("IdolTimer", "20");
    backend.Set("DiscOnError", "1");
    Open();
    auto* page = Show<CCnfDiscPage>(kDisc);
    EXPECT_EQ(Text(page, 1038), QStringLiteral("20"));
    EXPECT_FALSE(Ctl(page, 1038)->isEnabled());
    EXPECT_FALSE(Ctl(page, 1090)->isEnabled());
    EXPECT_TRUE(Ctl(page, 1042)->isEnabled());
    EXPECT_FALSE(Ctl(page, 1043)->isEnabled());

    struct Case {
        unsigned field;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {1043, "720", true},  {1043, "721", false}, {1043, "0", false},  {1042, "0", true},
        {1042, "101", false}, {1038, "30", true},   {1038, "31", false}, {1038, "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.field) + " " + c.text);
        Type(page, 1043, "30");
        Type(page, 1042, "3");
        Type(page, 1038, "10");
        Type(page, c.field, c.text);
        messages.shown.clear();
        EXPECT_EQ(page->Exchange(), c.accepted);
        EXPECT_EQ(messages.shown.size(), c.accepted ? 0u : 1u);
    }

    // A click checks the fields first (showing the refusal), then the rule acts.
    Type(page, 1042, "500");
    messages.shown.clear();
    Ctl<QCheckBox>(page, 1075)->click();
    EXPECT_EQ(Texts(), std::vector<std::string>{"0 から 100 までの整数を入力してください。"});
    EXPECT_TRUE(Ctl(page, 1043)->isEnabled());
    Type(page, 1042, "0");
    Ctl<QCheckBox>(page, 1037)->click();
    EXPECT_TRUE(Ctl(page, 1038)->isEnabled());
    EXPECT_TRUE(Ctl(page, 1090)->isEnabled());
    Type(page, 1043, "720");
    Type(page, 1038, "10");
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    ASSERT_EQ(writes.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(writes.begin() + 4, writes.end()),
              (std::vector<std::string>{"DiscOnIdol=1", "DiscOnError=1", "DiscOnTimeUp=0",
                                        "IdolTimeIgnoreTx=0", "IdolTimer=10", "ErrorLimit=0",
                                        "ShutDownTimer=1", "ShutDownTimeout=720"}));
}

TEST_F(SettingsSheetTest, LayoutPageArrowsAndPreview) {
    backend.Set("TrayIcon", "7");
    backend.Set("MeterInTray", "1");
    backend.Set("LayoutType", "3");
    Open();
    auto* page = Show<CCnfLayoutPage>(kLayout);
    EXPECT_TRUE(On(page, 1074)) << "極小(縦) is the fourth radio, LayoutType 3";
    auto* up = Ctl<QPushButton>(page, 1100);
    auto* down = Ctl<QPushButton>(page, 1101);
    EXPECT_TRUE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());
    up->click();
    EXPECT_EQ(page->Values().traySet, 6u) << "one step per click";
    for (int i = 0; i < 6; ++i) {
        up->click();
    }
    EXPECT_EQ(page->Values().traySet, 0u);
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    down->click();
    down->click();
    EXPECT_EQ(page->Values().traySet, 2u);

    // The preview shows the chosen set's pictures, two rows of nine and eight,
    // 18 pixels apart, inside the frame.
    QWidget* frame = Ctl(page, 1097);
    const QImage shown = frame->grab().toImage();
    const QImage strip = TrayStripImage(148);
    int differing = 0;
    for (unsigned level : {0u, 8u, 9u, 16u}) {
        const QImage expected = TrayLevelImage(strip, level);
        const int x0 = 3 + static_cast<int>(level % 9) * 18;
        const int y0 = 3 + static_cast<int>(level / 9) * 18;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb want = expected.pixel(x, y);
                if (qAlpha(want) == 255 && shown.pixel(x0 + x, y0 + y) != want) {
                    ++differing;
                }
            }
        }
    }
    EXPECT_EQ(differing, 0);

    Ctl<QCheckBox>(page, 1092)->click();
    EXPECT_FALSE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());
    const QImage empty = frame->grab().toImage();
    EXPECT_NE(empty.pixel(3 + 8, 3 + 8), shown.pixel(3 + 8, 3 + 8)) << "nothing drawn when off";

    Ctl<QRadioButton>(page, 1072)->click();
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    EXPECT_EQ(std::vector<std::string>(writes.begin() + 4, writes.end()),
              (std::vector<std::string>{"LayoutType=4", "MeterInTray=0", "TrayIcon=2"}));
}

TEST_F(SettingsSheetTest, CumulativePageKeepsTheStandardTypeOutOfView) {
    backend.Set("DefaultTollType", "12");
    Open();
    auto* page = Show<CCnfCumuPage>(kCumu);
    EXPECT_TRUE(On(page, 1034)) << "LogCumulate never stored shows ticked";
    EXPECT_EQ(Text(page, 1132), QStringLiteral("10"));
    EXPECT_EQ(Text(page, 1136), QStringLiteral("市内 通常料金"));
    for (const auto& row : kChargeRowIds) {
        EXPECT_FALSE(On(page, row.radio)) << row.radio;
        EXPECT_TRUE(On(page, row.check)) << row.check;
    }
    QScrollBar* bar = page->ScrollBar();
    EXPECT_EQ(bar->maximum(), 10);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(page->Position(), 6);
    EXPECT_FALSE(On(page, kChargeRowIds[5].radio));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(page->Position(), 7);
    EXPECT_TRUE(On(page, kChargeRowIds[5].radio)) << "type 12 in row 5";
    // The display flags follow their types through the scrolling.
    Ctl<QCheckBox>(page, kChargeRowIds[0].check)->click();  // type 7 off
    // End goes to the last position, where the sixteenth type shows.
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(bar, &end);
    EXPECT_EQ(page->Position(), 10);
    EXPECT_EQ(Text(page, kChargeRowIds[5].name), QStringLiteral("未登録"));
    EXPECT_TRUE(On(page, kChargeRowIds[2].radio));
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(page->Position(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(page->Position(), 0);
    // Dragging the thumb moves the list only when it is released.
    bar->setSliderDown(true);
    bar->setSliderPosition(4);
    EXPECT_EQ(page->Position(), 0);
    bar->setSliderDown(false);
    EXPECT_EQ(page->Position(), 4);
    EXPECT_EQ(Text(page, kChargeRowIds[0].name), QStringLiteral("市内 ﾃﾚﾎｰﾀﾞｲ(ISDN)"));
    bar->setValue(0);
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    EXPECT_EQ(std::vector<std::string>(writes.begin() + 4, writes.end()),
              (std::vector<std::string>{"TollCloseDay=10", "LogCumulate=1", "DefaultTollType=12",
                                        "TollTypesDispMask=65407"}));
}

TEST_F(SettingsSheetTest, CumulativePageRadioChoosesTheStandardTypeAndDayIsChecked) {
    backend.Set("TollTypesDispMask", "-1");
    Open();
    auto* page = Show<CCnfCumuPage>(kCumu);
    page->ScrollBar()->setValue(3);
    Ctl<QRadioButton>(page, kChargeRowIds[4].radio)->click();
    Type(page, 1132, "29");
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), std::vector<std::string>{"1 から 28 までの整数を入力してください。"});
    Type(page, 1132, "28");
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    EXPECT_EQ(std::vector<std::string>(writes.end() - 4, writes.end()),
              (std::vector<std::string>{"TollCloseDay=28", "LogCumulate=1", "DefaultTollType=7",
                                        "TollTypesDispMask=65535"}));
}

TEST_F(SettingsSheetTest, DetailButtonEditsTheRowsTypeAndRefreshesItsName) {
    Open();
    auto* page = Show<CCnfCumuPage>(kCumu);
    page->ScrollBar()->setValue(10);
    WhenModal([](QWidget* modal) {
        auto* detail = dynamic_cast<CChargeDetailDlg*>(modal);
        ASSERT_NE(detail, nullptr);
        EXPECT_EQ(detail->windowTitle(), QStringLiteral("料金詳細"));
        Type(detail, 1312, "夜間プラン");
        Ctl<QPushButton>(detail, 1)->click();
    });
    Ctl<QPushButton>(page, kChargeRowIds[2].button)->click();  // type 12
    EXPECT_EQ(Text(page, kChargeRowIds[2].name), QStringLiteral("夜間プラン"));
    EXPECT_EQ(store.GetSectionString("TollData12", "Description"), "夜間プラン");

    // Cancel of the detail dialog writes nothing and leaves the name.
    backend.writes.clear();
    WhenModal([](QWidget* modal) {
        Type(modal, 1312, "捨てる名前");
        Ctl<QPushButton>(modal, 2)->click();
    });
    Ctl<QPushButton>(page, kChargeRowIds[2].button)->click();
    EXPECT_EQ(Text(page, kChargeRowIds[2].name), QStringLiteral("夜間プラン"));
    // What the detail dialog saved stays saved when the sheet is cancelled.
    sheet->reject();
    EXPECT_TRUE(backend.writes.empty());
    EXPECT_EQ(store.GetSectionString("TollData12", "Description"), "夜間プラン");
}

class ChargeDetailTest : public SettingsSheetTest {};

TEST_F(ChargeDetailTest, AFreshTypeTwelveThenResetAndOk) {
    CChargeDetailDlg detail(store, 12, messages);
    EXPECT_EQ(store.GetSectionInt("TollData", "Installed", 0), 1) << "presets written first";
    EXPECT_EQ(Text(&detail, 1312), QStringLiteral("未登録"));
    EXPECT_EQ(Text(&detail, 1142), QStringLiteral("0"));
    EXPECT_EQ(Text(&detail, 1140), QStringLiteral("180"));
    EXPECT_EQ(Text(&detail, 1138), QStringLiteral("180"));
    for (unsigned id = 1144; id <= 1311; ++id) {
        EXPECT_FALSE(On(&detail, id)) << id;
    }
    EXPECT_EQ(Ctl<UpDownControl>(&detail, 1143)->High(), 10000u);

    Ctl<QPushButton>(&detail, 1313)->click();
    EXPECT_EQ(Text(&detail, 1138), QStringLiteral("240"));
    EXPECT_TRUE(On(&detail, ChargeHourId(0, 0)));
    EXPECT_TRUE(On(&detail, ChargeHourId(6, 23)));
    EXPECT_FALSE(On(&detail, ChargeHourId(3, 8)));
    EXPECT_FALSE(store.GetRaw("TollData12", "Description")) << "reset writes nothing";

    // Sunday cleared completely: its mask is 0.
    for (unsigned h = 0; h < 24; ++h) {
        Ctl<QCheckBox>(&detail, ChargeHourId(0, h))->setChecked(false);
    }
    Ctl<QCheckBox>(&detail, ChargeHourId(2, 12))->setChecked(true);
    backend.writes.clear();
    Ctl<QPushButton>(&detail, 1)->click();
    EXPECT_EQ(detail.result(), QDialog::Accepted);
    EXPECT_EQ(backend.writes,
              (std::vector<std::string>{
                  "TollData12/Description=未登録", "TollData12/Dow0=0", "TollData12/Dow1=8388863",
                  "TollData12/Dow2=8392959", "TollData12/Dow3=8388863", "TollData12/Dow4=8388863",
                  "TollData12/Dow5=8388863", "TollData12/Dow6=8388863", "TollData12/FreeToll=0",
                  "TollData12/TollSpan=180", "TollData12/FreeSpan=240"}));
}

TEST_F(ChargeDetailTest, CancelAndRefusedNumbersWriteNothing) {
    {
        CChargeDetailDlg detail(store, 3, messages);
        EXPECT_EQ(Text(&detail, 1312), QStringLiteral("市内 ﾀｲﾑﾌﾟﾗｽ(ISDN)"));
        EXPECT_EQ(Text(&detail, 1142), QStringLiteral("350"));
        EXPECT_TRUE(On(&detail, ChargeHourId(1, 23)));
        backend.writes.clear();
        Type(&detail, 1312, "changed");
        Ctl<QPushButton>(&detail, 2)->click();
        EXPECT_EQ(detail.result(), QDialog::Rejected);
        EXPECT_TRUE(backend.writes.empty());
    }
    const char* refused[] = {"", "10001"};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        CChargeDetailDlg detail(store, 3, messages);
        Type(&detail, 1140, text);
        messages.shown.clear();
        Ctl<QPushButton>(&detail, 1)->click();
        EXPECT_NE(detail.result(), QDialog::Accepted);
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(detail.focusWidget(), Ctl(&detail, 1140));
        EXPECT_TRUE(backend.writes.empty());
    }
}

TEST_F(SettingsSheetTest, ExtensionPageListsWhatItCanAndNeverCrashes) {
    const auto dir = program.path();
    std::ofstream(dir / "TrvikBroken.so") << "not a shared object";
    std::ofstream(dir / "TrvikEmpty.so");
    std::ofstream(dir / "Other.so") << "x";
    std::filesystem::create_directories(dir / "TrvikFolder.so");
    std::filesystem::create_symlink(dir / "missing-target", dir / "TrvikDangling.so");
    backend.Set("ExtDLL", "TrvikEmpty.so");
    Open();
    auto* page = Show<CCnfExtDllPage>(kExt);
    QTreeWidget* list = page->List();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("ﾌｧｲﾙ名"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("説明"));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("TrvikBroken"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QString());
    EXPECT_TRUE(list->topLevelItem(1)->isSelected());
    EXPECT_TRUE(On(page, 1324));
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(messages.shown.empty());

    // プロパティ on a file that does not load does nothing.
    list->topLevelItem(0)->setSelected(true);
    Ctl<QPushButton>(page, 1319)->click();
    EXPECT_TRUE(messages.shown.empty());

    Ctl<QCheckBox>(page, 1324)->click();
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(Ctl(page, 1319)->isEnabled());
    sheet->accept();
    EXPECT_EQ(backend.SettingsWrites().back(), "ExtDLL=") << "box off: no extension";
}

TEST_F(SettingsSheetTest, ExtensionPageReportsAMissingModuleAndStoresTheSelection) {
    std::ofstream(program.path() / "TrvikOne.so") << "x";
    std::ofstream(program.path() / "TrvikTwo.so") << "x";
    backend.Set("ExtDLL", "trvikone.so");
    Open();
    auto* page = Show<CCnfExtDllPage>(kExt);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"指定されてる拡張DLL(trvikone.so)は、見つかりません。"});
    EXPECT_TRUE(page->List()->selectedItems().isEmpty());
    page->List()->topLevelItem(1)->setSelected(true);
    sheet->accept();
    EXPECT_EQ(backend.SettingsWrites().back(), "ExtDLL=TrvikTwo.so");
}

// Records the commands instead of running them.
class FakeRunner final : public CommandRunner {
public:
    int Run(const std::vector<std::string>& argv) override {
        runs.push_back(argv);
        return 0;
    }
    std::vector<std::vector<std::string>> runs;
};

// The exact accounting box: offered only where the machine can have it (else
// disabled, saying why), ticked while the helper answers, and switched at OK
// through pkexec when it was changed.
TEST_F(SettingsSheetTest, EtcPageExactAccountingBox) {
    const struct {
        ExactSupport support;
        bool answering;
        bool click;
        const char* reason;
        std::vector<std::vector<std::string>> runs;
    } cases[] = {
        {ExactSupport::Available,
         false,
         true,
         "",
         {{"pkexec", "/usr/lib/trovik/trovik-acctd-enable", "enable"}}},
        {ExactSupport::Available,
         true,
         true,
         "",
         {{"pkexec", "/usr/lib/trovik/trovik-acctd-enable", "disable"}}},
        {ExactSupport::Available, true, false, "", {}},
        {ExactSupport::NoCgroup2, true, true, "cgroup v2 がないため使えません", {}},
        {ExactSupport::NoBpf, false, true, "このカーネルでは BPF が使えません", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.support) * 10 + c.answering);
        FakeRunner runner;
        int asked = 0;
        AcctdAccounting exact(
            runner, [&c] { return c.support; },
            [&] {
                ++asked;
                return c.answering;
            });
        Open(nullptr, &exact);
        auto* page = Show<CCnfEtcPage>(kEtc);
        const bool available = c.support == ExactSupport::Available;
        auto* box = Ctl<QCheckBox>(page, kExactBox);
        EXPECT_EQ(box->isEnabled(), available);
        EXPECT_EQ(box->isChecked(), available && c.answering);
        EXPECT_EQ(asked, available ? 1 : 0) << "asked once, and only where it can answer";
        auto* reason = Ctl<QLabel>(page, kExactReasonText);
        EXPECT_EQ(reason->text(), QString::fromUtf8(c.reason));
        EXPECT_LE(reason->sizeHint().width(), reason->width()) << "the reason fits its line";
        if (c.click && box->isEnabled()) {
            box->click();
        }
        sheet->accept();
        EXPECT_EQ(sheet->result(), QDialog::Accepted);
        EXPECT_EQ(runner.runs, c.runs);
        EXPECT_EQ(asked, available ? 1 : 0);
    }
    // A meter without it (the simulated line): disabled, saying nothing.
    Open();
    auto* page = Show<CCnfEtcPage>(kEtc);
    EXPECT_FALSE(Ctl(page, kExactBox)->isEnabled());
    EXPECT_TRUE(Text(page, kExactReasonText).isEmpty());
}

TEST_F(SettingsSheetTest, EtcPageSwitchesAndInterfaces) {
    backend.Set("TopMost", "1");
    backend.Set("Interfaces", "wwan0");
    backend.Set("Notify", "0");
    Open();
    auto* page = Show<CCnfEtcPage>(kEtc);
    EXPECT_TRUE(On(page, 1004));
    EXPECT_FALSE(On(page, kNotifyBox));
    EXPECT_FALSE(Ctl(page, kLoginStartBox)->isEnabled()) << "no autostart entry to show";
    EXPECT_TRUE(On(page, 1101)) << "AskExitFromPopup defaults to on";
    EXPECT_FALSE(On(page, 1034));
    EXPECT_EQ(Text(page, kInterfacesControl), QStringLiteral("wwan0"));
    EXPECT_TRUE(Text(page, kInterfacesHintControl).endsWith(QStringLiteral("lo ppp0")));
    {
        // A meter that counts nothing says so, naming the links there are.
        countsNothing = true;
        Open();
        EXPECT_EQ(Text(Show<CCnfEtcPage>(kEtc), kInterfacesHintControl),
                  QStringLiteral("計測する回線がありません (見つかった回線: lo ppp0)"));
        countsNothing = false;
        Open();
        page = Show<CCnfEtcPage>(kEtc);
    }

    Type(page, kInterfacesControl, "ppp0 eth0:1");
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("「eth0:1」"), std::string::npos);
    EXPECT_EQ(page->focusWidget(), Ctl(page, kInterfacesControl));
    EXPECT_TRUE(backend.writes.empty());

    Type(page, kInterfacesControl, " ppp0  usb0 ");
    Ctl<QCheckBox>(page, 1034)->click();
    Ctl<QCheckBox>(page, 1101)->click();
    Ctl<QCheckBox>(page, kNotifyBox)->click();
    Ctl<QCheckBox>(page, kAppUsageBox)->click();
    sheet->accept();
    const auto writes = backend.SettingsWrites();
    EXPECT_EQ(std::vector<std::string>(writes.begin() + 4, writes.end()),
              (std::vector<std::string>{"TopMost=1", "IconTitle=0", "ShowError=0", "LogFile=1",
                                        "LogStatics=0", "TrayIconOnStart=0", "AskExitFromPopup=0",
                                        "Interfaces=ppp0  usb0", "Notify=1", "AppUsage=0"}));
}

TEST_F(SettingsSheetTest, AHandEditedFileOpensWithCorrectedValues) {
    for (const char* key :
         {"ScaleTx", "ScaleRx", "Span", "SpanAll", "ClickL", "IdolTimer", "ErrorLimit",
          "ShutDownTimeout", "LayoutType", "TrayIcon", "TollCloseDay", "DefaultTollType",
          "TollTypesDispMask", "TopMost", "QuotaMB", "QuotaWarn", "DiscOnQuota"}) {
        backend.Set(key, "garbage");
    }
    backend.Set("ShutDownTimeout", "-3");
    backend.Set("ErrorLimit", "99999999999");
    backend.Set("TrayIcon", "-1");
    backend.memory.values[{"TollData5", "Description"}] = "";
    Open();
    auto* disc = Show<CCnfDiscPage>(kDisc);
    EXPECT_EQ(Text(disc, 1043), QStringLiteral("4294967293"));
    EXPECT_EQ(Text(disc, 1042), QStringLiteral("3")) << "past 32 bits reads as absent";
    // An odd value is refused until corrected, never stored.
    EXPECT_FALSE(sheet->ShowPage(kLayout));
    Type(disc, 1043, "30");
    for (int tab = kLayout; tab < sheet->PageCount(); ++tab) {
        ASSERT_TRUE(sheet->ShowPage(tab)) << tab;
    }
    auto* quota = sheet->PageAs<CCnfQuotaPage>(kQuota);
    EXPECT_EQ(Text(quota, kQuotaField), QStringLiteral("0"));
    EXPECT_EQ(Text(quota, kQuotaWarnField), QStringLiteral("80"));
    auto* layout = sheet->PageAs<CCnfLayoutPage>(kLayout);
    EXPECT_FALSE(Ctl(layout, 1101)->isEnabled()) << "set -1 compares above 4";
    ASSERT_TRUE(sheet->ShowPage(kMouse));
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    const auto writes = backend.SettingsWrites();
    EXPECT_EQ(writes.front(), "SpanAll=0");
    EXPECT_NE(std::find(writes.begin(), writes.end(), "ScaleRx=5000"), writes.end());
    EXPECT_NE(std::find(writes.begin(), writes.end(), "ShutDownTimeout=30"), writes.end());
    EXPECT_NE(std::find(writes.begin(), writes.end(), "TrayIcon=-1"), writes.end());
    EXPECT_NE(std::find(writes.begin(), writes.end(), "TollTypesDispMask=65535"), writes.end());
    EXPECT_NE(std::find(writes.begin(), writes.end(), "QuotaWarn=80"), writes.end());
    EXPECT_EQ(writes.size(), 4u + 6 + 8 + 3 + 4 + 1 + 10 + 3);
}

TEST_F(SettingsSheetTest, QuotaPageChecksItsFieldsAndWritesOnlyWhenShown) {
    Open();
    Show<CCnfEtcPage>(kEtc);
    sheet->accept();
    for (const std::string& write : backend.SettingsWrites()) {
        EXPECT_FALSE(write.starts_with("Quota") || write.starts_with("DiscOnQuota")) << write;
    }

    struct Case {
        const char* quota;
        const char* warn;
        const char* message;  // nullptr: accepted
        unsigned refusedField;
    };
    const Case cases[] = {
        {"0", "80", nullptr, 0},
        {"10485760", "1", nullptr, 0},
        {"3072", "100", nullptr, 0},
        {"10485761", "80", "0 から 10485760 までの整数を入力してください。", kQuotaField},
        {"", "80", "正の整数を入力してください。", kQuotaField},
        {"-1", "80", "正の整数を入力してください。", kQuotaField},
        {"3072", "0", "1 から 100 までの整数を入力してください。", kQuotaWarnField},
        {"3072", "101", "1 から 100 までの整数を入力してください。", kQuotaWarnField},
        {"x", "0", "正の整数を入力してください。", kQuotaField},  // the first field first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.quota) + " " + c.warn);
        backend.memory.values.clear();
        backend.writes.clear();
        messages.shown.clear();
        Open();
        auto* page = Show<CCnfQuotaPage>(kQuota);
        Type(page, kQuotaField, c.quota);
        Type(page, kQuotaWarnField, c.warn);
        Ctl<QCheckBox>(page, kDiscOnQuotaBox)->click();
        sheet->accept();
        if (c.message == nullptr) {
            EXPECT_EQ(sheet->result(), QDialog::Accepted);
            EXPECT_TRUE(messages.shown.empty());
            const auto writes = backend.SettingsWrites();
            EXPECT_EQ(
                std::vector<std::string>(writes.begin() + 4, writes.end()),
                (std::vector<std::string>{std::string("QuotaMB=") + c.quota,
                                          std::string("QuotaWarn=") + c.warn, "DiscOnQuota=1"}));
        } else {
            EXPECT_NE(sheet->result(), QDialog::Accepted);
            EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
            EXPECT_EQ(page->focusWidget(), Ctl(page, c.refusedField));
            EXPECT_TRUE(backend.writes.empty());
            EXPECT_FALSE(sheet->ShowPage(kEtc)) << "a refused field keeps the page in front";
        }
    }
}

TEST_F(SettingsSheetTest, QuotaPageShowsThePeriodsUseAgainstTheEditedAllowance) {
    backend.Set("QuotaMB", "3072");
    backend.Set("QuotaWarn", "90");
    backend.Set("DiscOnQuota", "1");
    useKB = 1289750;
    days = {7, 30};
    Open();
    auto* page = Show<CCnfQuotaPage>(kQuota);
    EXPECT_EQ(Text(page, kQuotaField), QStringLiteral("3072"));
    EXPECT_EQ(Text(page, kQuotaWarnField), QStringLiteral("90"));
    EXPECT_TRUE(On(page, kDiscOnQuotaBox));
    auto* spin = Ctl<UpDownControl>(page, kQuotaWarnSpin);
    EXPECT_EQ(spin->Buddy(), Ctl<QLineEdit>(page, kQuotaWarnField));
    EXPECT_EQ(spin->High(), 100u);

    // Day 7 of 30: what is left over the 24 days from today; the pace of
    // 1,289,750 KB in 7 days makes 5,527,500 KB in 30.
    struct Case {
        const char* quota;
        const char* shown;
        const char* budget;
        const char* projection;
    };
    const Case cases[] = {
        {"3072", "1.23 GB / 3 GB (41 %)", "今日の目安 あと 75.51 MB", "期末見込み 5.27 GB"},
        // Past the allowance: not capped, and nothing left for today.
        {"1024", "1.23 GB / 1 GB (123 %)", "今日の目安 あと 0 KB", "期末見込み 5.27 GB"},
        {"0", "1.23 GB", "", ""},
        {"", "1.23 GB", "", ""},  // no valid number yet: no allowance
        {"99999999", "1.23 GB", "", ""},
    };
    for (const Case& c : cases) {
        Type(page, kQuotaField, c.quota);
        EXPECT_EQ(Text(page, kQuotaUseText).toStdString(), c.shown) << c.quota;
        EXPECT_EQ(Text(page, kQuotaBudgetText).toStdString(), c.budget) << c.quota;
        EXPECT_EQ(Text(page, kQuotaProjectionText).toStdString(), c.projection) << c.quota;
    }

    // The meter counts on behind the sheet; the line follows within a second.
    Type(page, kQuotaField, "3072");
    useKB = 2048;
    for (int i = 0; i < 30 && Text(page, kQuotaUseText) != QStringLiteral("2 MB / 3 GB (0 %)");
         ++i) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(Text(page, kQuotaUseText).toStdString(), "2 MB / 3 GB (0 %)");
    EXPECT_TRUE(backend.writes.empty());
}

// The login box on the real autostart entry under a scratch XDG_CONFIG_HOME.
class SheetLoginBoxTest : public SettingsSheetTest {
protected:
    SheetLoginBoxTest() {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        entryPath = AutostartEntryPath();
        if (old != nullptr) {
            ::setenv("XDG_CONFIG_HOME", old, 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        testing::WriteText(config.Path("bin/Trovik"), "");
        entry = std::make_unique<AutostartEntry>(entryPath, config.Path("bin/Trovik").string());
    }
    std::string EntryText() const { return testing::ReadText(entryPath); }

    testing::ScratchDir config{"trovik-login-"};
    std::string entryPath;
    std::unique_ptr<AutostartEntry> entry;
};

TEST_F(SheetLoginBoxTest, TheBoxIsTheAutostartEntry) {
    EXPECT_EQ(entryPath, config.Path("autostart/trovik.desktop").string());
    constexpr const char* kOn = "[Desktop Entry]\nType=Application\nExec=trovik --simulate\n";
    constexpr const char* kHidden = "[Desktop Entry]\nExec=trovik\nHidden=true\n";
    enum After : std::uint8_t { kAbsent, kSame, kWritten };
    struct Case {
        const char* name;
        const char* entryText;  // nullptr: no entry
        bool shownOn;
        bool click;
        bool ok;
        After after;
    };
    const Case cases[] = {
        {"none, ticked, OK", nullptr, false, true, true, kWritten},
        {"none, ticked, Cancel", nullptr, false, true, false, kAbsent},
        {"on, unticked, OK", kOn, true, true, true, kAbsent},
        {"on, unticked, Cancel", kOn, true, true, false, kSame},
        {"on, left alone, OK", kOn, true, false, true, kSame},  // a hand-made entry stays
        {"switched off, ticked, OK", kHidden, false, true, true, kWritten},
        {"switched off, left alone, OK", kHidden, false, false, true, kSame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(entryPath);
        if (c.entryText != nullptr) {
            testing::WriteText(entryPath, c.entryText);
        }
        backend.writes.clear();
        Open(entry.get());
        auto* page = Show<CCnfEtcPage>(kEtc);
        EXPECT_TRUE(Ctl(page, kLoginStartBox)->isEnabled());
        EXPECT_EQ(On(page, kLoginStartBox), c.shownOn);
        EXPECT_TRUE(On(page, kNotifyBox)) << "Notify defaults to on";
        EXPECT_TRUE(On(page, kAppUsageBox)) << "AppUsage defaults to on";
        if (c.click) {
            Ctl<QCheckBox>(page, kLoginStartBox)->click();
        }
        if (c.ok) {
            sheet->accept();
            EXPECT_EQ(sheet->result(), QDialog::Accepted);
            EXPECT_EQ(backend.SettingsWrites().size(), 4u + 10) << "nothing of it in the store";
        } else {
            sheet->reject();
            EXPECT_TRUE(backend.writes.empty());
        }
        switch (c.after) {
            case kAbsent:
                EXPECT_FALSE(std::filesystem::exists(entryPath));
                break;
            case kSame:
                EXPECT_EQ(EntryText(), c.entryText);
                break;
            case kWritten:
                EXPECT_TRUE(IsAutostartEnabled(entryPath));
                EXPECT_NE(EntryText().find("\nExec=" + config.Path("bin/Trovik").string() + "\n"),
                          std::string::npos)
                    << EntryText();
                break;
        }
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(SheetLoginBoxTest, AnEntryThatCannotBeWrittenIsReported) {
    // The autostart folder's place is taken by a file.
    testing::WriteText(config.Path("autostart"), "");
    Open(entry.get());
    auto* page = Show<CCnfEtcPage>(kEtc);
    Ctl<QCheckBox>(page, kLoginStartBox)->click();
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted) << "the keys are written all the same";
    EXPECT_EQ(backend.SettingsWrites().size(), 4u + 10);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(entryPath), std::string::npos) << messages.shown[0].text;
    EXPECT_FALSE(IsAutostartEnabled(entryPath));
}

// The meter window runs the sheet by command 288 and reloads after OK.
class MeterSheetTest : public ::testing::Test {
protected:
    void Make(MeterWindowOptions options = {}) {
        meter = std::make_unique<CMeterDlg>(options, line, store, clock, connection, power,
                                            DataFiles(dir.path().string(), "Trovik"));
        meter->UseMessageBoxes(messages);
        ASSERT_TRUE(meter->Initialise());
        meter->StopTimer();
    }
    void Tick(int n, std::uint32_t recv = 0) {
        for (int i = 0; i < n; ++i) {
            line.Add(StatValue::BytesRecvd, recv);
            clock.tick += 100;
            if (++tenths == 10) {
                tenths = 0;
                ++clock.now;
            }
            meter->Engine().Tick();
        }
    }

    testing::ScratchDir dir{"trovik-metersheet-"};
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakeClock clock;
    RecordedMessages messages;
    FakeConnection connection;
    FakePower power;
    std::unique_ptr<CMeterDlg> meter;
    int tenths = 0;
};

TEST_F(MeterSheetTest, OkReloadsScalesAndRulesForTheNextTick) {
    backend.values[{"Settings", "Span"}] = "10";
    connection.connected = true;
    Make();
    const auto entries = meter->SystemMenuEntries();
    EXPECT_NE(std::find(entries.begin(), entries.end(), "288 設定変更(&S)..."), entries.end());
    Tick(10, 250);  // 2500 B/s of 5000
    EXPECT_EQ(meter->Engine().reading.PercentRx, 50u);

    WhenModal([](QWidget* modal) {
        auto* sheet = dynamic_cast<CConfigDlg*>(modal);
        ASSERT_NE(sheet, nullptr);
        Type(sheet->Page(kBasic), 1010, "2500");
        ASSERT_TRUE(sheet->ShowPage(kDisc));
        CCnfPage* disc = sheet->Page(kDisc);
        Ctl<QCheckBox>(disc, 1037)->click();
        Type(disc, 1038, "1");
        sheet->accept();
    });
    meter->RunCommand(kCmdSettings);
    EXPECT_EQ(store.GetInt(SettingKey::ScaleRx, 0), 2500);
    Tick(10, 250);
    EXPECT_EQ(meter->Engine().reading.PercentRx, 100u);
    EXPECT_EQ(meter->Engine().settings.idleLimit, 60u);

    // The idle rule now acts: a quiet minute hangs the line up.
    Tick(700);
    EXPECT_EQ(connection.hangUps, 1);
}

TEST_F(MeterSheetTest, CancelReloadsNothingAndAMouseButtonOpensTheSheet) {
    backend.values[{"Settings", "ClickR"}] = "288";
    Make();
    WhenModal([](QWidget* modal) {
        Type(dynamic_cast<CConfigDlg*>(modal)->Page(kBasic), 1010, "10");
        modal->close();
    });
    meter->RunAction(meter->Engine().settings.clickR, QPoint(3, 3));
    EXPECT_EQ(backend.values.count(std::make_pair(std::string("Settings"), std::string("ScaleRx"))),
              0u);
    EXPECT_EQ(meter->Engine().settings.scaleRx, 5000u);
}

TEST_F(MeterSheetTest, AnAllowanceFromTheSheetReachesTheTrayTipAtTheNextSlowStep) {
    connection.connected = true;
    clock.now = 1765100000;  // 7 December
    AutostartEntry login(dir.Path("autostart/trovik.desktop").string(), "/nonexistent/Trovik");
    MeterWindowOptions options;
    options.loginStart = &login;
    Make(options);
    Tick(110, 1024);  // the slow step counts 110 KB
    EXPECT_EQ(meter->TrayTip().toStdString(), "Vemaro");

    bool loginOffered = false;
    std::string shownUse;
    WhenModal([&](QWidget* modal) {
        auto* sheet = dynamic_cast<CConfigDlg*>(modal);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(sheet->ShowPage(kEtc));
        loginOffered = Ctl(sheet->Page(kEtc), kLoginStartBox)->isEnabled();
        ASSERT_TRUE(sheet->ShowPage(kQuota));
        Type(sheet->Page(kQuota), kQuotaField, "1");
        shownUse = Text(sheet->Page(kQuota), kQuotaUseText).toStdString();
        sheet->accept();
    });
    meter->RunCommand(kCmdSettings);
    EXPECT_TRUE(loginOffered);
    EXPECT_EQ(shownUse, "110 KB / 1 MB (10 %)") << "the meter's own count";
    EXPECT_FALSE(std::filesystem::exists(dir.Path("autostart"))) << "the box was left alone";
    EXPECT_EQ(meter->Engine().settings.allowance.quotaMB, 1u);

    Tick(110);
    // 7 December, day 28 of 30: 914 KB left over three days; 110 KB in 28
    // days is 117 KB in 30.
    EXPECT_EQ(meter->TrayTip().toStdString(),
              "Vemaro — 110 KB / 1 MB (10 %)\n今日の目安 あと 304 KB\n期末見込み 117 KB");
}

}  // namespace
}  // namespace trovik
