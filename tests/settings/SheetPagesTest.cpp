// The settings pages without their windows: the field check, the loads with
// their corrections, the write orders and the charge list's rows.

#include "settings/SheetPages.h"

#include <gtest/gtest.h>

#include "tests/settings/RecordingBackend.h"

namespace trovik {
namespace {

using Fault = NumberField::Fault;

TEST(NumberFieldTest, ReadsUnsignedDecimalsWithinTheRange) {
    struct Case {
        const char* text;
        std::uint32_t low;
        std::uint32_t high;
        Fault fault;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"5", 1, 10, Fault::None, 5},
        {" 10 ", 1, 10, Fault::None, 10},
        {"0", 0, 100, Fault::None, 0},
        {"007", 1, 10, Fault::None, 7},
        {"0", 1, 10, Fault::OutOfRange, 0},
        {"11", 1, 10, Fault::OutOfRange, 0},
        {"721", 1, 720, Fault::OutOfRange, 0},
        {"720", 1, 720, Fault::None, 720},
        {"100000000", 1, 100000000, Fault::None, 100000000},
        // Past 32 bits: out of range, never wrapped into it.
        {"4294967301", 1, 10, Fault::OutOfRange, 0},
        {"99999999999999999999999", 0, 4294967295u, Fault::OutOfRange, 0},
        {"", 1, 10, Fault::NotANumber, 0},
        {"  ", 1, 10, Fault::NotANumber, 0},
        {"-1", 0, 10, Fault::NotANumber, 0},
        {"+3", 0, 10, Fault::NotANumber, 0},
        {"1 2", 0, 100, Fault::NotANumber, 0},
        {"３", 0, 10, Fault::NotANumber, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const NumberField field = ReadNumberField(c.text, c.low, c.high);
        EXPECT_EQ(field.fault, c.fault);
        EXPECT_EQ(field.value, c.value);
    }
}

TEST(NumberFieldTest, MessagesNameTheBounds) {
    EXPECT_EQ(FieldMessage(ReadNumberField("x", 1, 10), 1, 10), "正の整数を入力してください。");
    EXPECT_EQ(FieldMessage(ReadNumberField("0", 1, 10), 1, 10),
              "1 から 10 までの整数を入力してください。");
    EXPECT_EQ(FieldMessage(ReadNumberField("721", 1, 720), 1, 720),
              "1 から 720 までの整数を入力してください。");
}

class SheetPagesTest : public ::testing::Test {
protected:
    testing::RecordingBackend backend;
    SettingsStore store{backend};
};

TEST_F(SheetPagesTest, BasicPageShowsStoredValuesClampedIntoItsRanges) {
    struct Case {
        const char* scaleRx;
        const char* span;
        std::uint32_t shownRx;
        std::uint32_t seconds;
    };
    const Case cases[] = {
        {nullptr, nullptr, 5000, 3},  // defaults
        {"0", "0", 1, 0},             // 0 becomes 1; a span of 1 tick is 0 seconds
        {"200000000", "150", 100000000, 10},
        {"-5", "5", 100000000, 0},        // negative reads as a huge unsigned value
        {"garbage", "garbage", 5000, 3},  // unreadable values take the defaults
        {"77", "99", 77, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scaleRx ? c.scaleRx : "(none)");
        backend.memory.values.clear();
        if (c.scaleRx != nullptr) {
            backend.Set("ScaleRx", c.scaleRx);
            backend.Set("Span", c.span);
        }
        const BasicPageValues page = LoadBasicPage(store);
        EXPECT_EQ(page.scaleRx, c.shownRx);
        EXPECT_EQ(page.seconds, c.seconds);
        EXPECT_EQ(page.scaleTx, 2000u);
    }
    backend.Set("SpanAll", "7");
    EXPECT_EQ(LoadBasicPage(store).mode, 0) << "any non-zero SpanAll is the whole-transfer mode";
    EXPECT_TRUE(backend.writes.empty()) << "loading a page writes nothing";
}

TEST_F(SheetPagesTest, EachPageWritesItsKeysInItsOrder) {
    WriteBasicPage(store, BasicPageValues{300, 200, 4, 0});
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"SpanAll=1", "Span=40", "ScaleTx=200", "ScaleRx=300"}));
    backend.writes.clear();

    MousePageValues mouse;
    mouse.rows = {1, 2, 3, 4, 5, 7};
    WriteMousePage(store, mouse);
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"ClickL=135", "ClickM=288", "ClickR=320", "ClickShiftL=384",
                                        "ClickShiftM=400", "ClickShiftR=368"}));
    backend.writes.clear();

    WriteDiscPage(store, DiscPageValues{true, false, true, true, false, 20, 0, 720});
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"DiscOnIdol=1", "DiscOnError=0", "DiscOnTimeUp=1",
                                        "IdolTimeIgnoreTx=0", "IdolTimer=20", "ErrorLimit=0",
                                        "ShutDownTimer=1", "ShutDownTimeout=720"}));
    backend.writes.clear();

    WriteLayoutPage(store, LayoutPageValues{3, true, 2});
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"LayoutType=3", "MeterInTray=1", "TrayIcon=2"}));
    backend.writes.clear();

    EtcPageValues etc;
    etc.topMost = true;
    etc.logStatics = true;
    etc.interfaces = "  ppp0\twwan0 ";
    etc.notify = false;
    etc.appUsage = false;
    etc.startAtLogin = true;
    WriteEtcPage(store, etc);
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"TopMost=1", "IconTitle=0", "ShowError=0", "LogFile=0",
                                        "LogStatics=1", "TrayIconOnStart=0", "AskExitFromPopup=1",
                                        "Interfaces=ppp0\twwan0", "Notify=0", "AppUsage=0"}))
        << "start at login is no key";
    backend.writes.clear();

    WriteQuotaPage(store, QuotaPageValues{10485760, 100, true});
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"QuotaMB=10485760", "QuotaWarn=100", "DiscOnQuota=1"}));
}

TEST_F(SheetPagesTest, ClickActionsMapToRowsAndBack) {
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(ClickActionRow(ClickActionCode(row)), row);
    }
    // Codes the page does not offer, 480 among them, show row 0 and go back as 0.
    for (const std::uint32_t code : {480u, 1u, 464u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ClickActionRow(code), 0) << code;
    }
    EXPECT_EQ(ClickActionCode(-1), 0u);
    EXPECT_EQ(ClickActionCode(8), 0u);

    backend.Set("ClickShiftR", "480");
    backend.Set("ClickM", "336");
    const MousePageValues page = LoadMousePage(store);
    EXPECT_EQ(page.rows, (std::array<int, 6>{0, 6, 0, 0, 0, 0}));
}

TEST_F(SheetPagesTest, LayoutPageKnowsOnlyTheFiveLayoutsAndStepsTheSetUnsigned) {
    backend.Set("LayoutType", "9");
    backend.Set("TrayIcon", "7");
    const LayoutPageValues page = LoadLayoutPage(store);
    EXPECT_EQ(page.layout, 0) << "the standard layout the meter falls back to";
    EXPECT_EQ(page.traySet, 7u);
    EXPECT_TRUE(TrayUpEnabled(7));
    EXPECT_FALSE(TrayDownEnabled(7));
    EXPECT_FALSE(TrayUpEnabled(0));
    EXPECT_TRUE(TrayDownEnabled(0));
    EXPECT_TRUE(TrayDownEnabled(3));
    EXPECT_FALSE(TrayDownEnabled(4));
    EXPECT_FALSE(TrayDownEnabled(0xFFFFFFFFu)) << "a negative set compares unsigned";
    backend.Set("LayoutType", "4");
    EXPECT_EQ(LoadLayoutPage(store).layout, 4);
}

TEST_F(SheetPagesTest, CumulativePageDefaultsAndMask) {
    CumuPageValues page = LoadCumuPage(store);
    EXPECT_TRUE(page.logCumulate) << "LogCumulate never stored shows ticked";
    EXPECT_EQ(page.closeDay, 10u);
    EXPECT_EQ(page.names[0], "市内 通常料金");
    EXPECT_EQ(page.names[8], "ﾌﾚｯﾂISDN");
    EXPECT_EQ(page.names[15], "未登録");
    for (const bool shown : page.shown) {
        EXPECT_TRUE(shown);
    }
    backend.writes.clear();
    WriteCumuPage(store, page);
    EXPECT_EQ(backend.SettingsWrites(),
              (std::vector<std::string>{"TollCloseDay=10", "LogCumulate=1", "DefaultTollType=0",
                                        "TollTypesDispMask=65535"}));

    backend.Set("TollTypesDispMask", std::to_string(0x8005));  // types 0, 2 and 15
    page = LoadCumuPage(store);
    EXPECT_EQ(page.shown[0] + page.shown[1] * 2 + page.shown[2] * 4 + page.shown[15] * 8, 13);
    page.shown[1] = true;
    page.shown[15] = false;
    backend.writes.clear();
    WriteCumuPage(store, page);
    EXPECT_EQ(backend.SettingsWrites().back(), "TollTypesDispMask=7");
}

TEST_F(SheetPagesTest, StandardTypeOutOfViewIsKept) {
    backend.Set("DefaultTollType", "12");
    CumuPageValues page = LoadCumuPage(store);
    struct Case {
        int position;
        int selectedRow;
    };
    for (const Case c : {Case{0, kNoRadio}, Case{6, kNoRadio}, Case{7, 5}, Case{10, 2}}) {
        EXPECT_EQ(FillChargeRows(page, c.position).selectedRow, c.selectedRow) << c.position;
    }
    // Collecting rows with no radio on keeps 12; a radio on makes its type standard.
    ChargeRows rows = FillChargeRows(page, 0);
    rows.shown[3] = false;
    CollectChargeRows(page, 0, rows);
    EXPECT_EQ(page.standardType, 12u);
    EXPECT_FALSE(page.shown[3]);
    rows = FillChargeRows(page, 10);
    rows.shown[5] = false;
    rows.selectedRow = 4;
    CollectChargeRows(page, 10, rows);
    EXPECT_EQ(page.standardType, 14u);
    EXPECT_FALSE(page.shown[15]);
    EXPECT_TRUE(page.shown[10]);
}

TEST(InterfaceNamesTest, AcceptsWhatTheKernelAccepts) {
    struct Case {
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"ppp0", true},
        {"wwan0", true},
        {"enx00e04c68", true},
        {"a", true},
        {"abcdefghijklmno", true},    // 15 bytes
        {"abcdefghijklmnop", false},  // 16 bytes
        {"", false},
        {".", false},
        {"..", false},
        {"...", true},
        {"ppp/0", false},
        {"eth0:1", false},
        {"a b", false},
        {"a\tb", false},
        {"a\nb", false},
        {"ｱｲ", true},  // 6 bytes of UTF-8 are fine
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidInterfaceName(c.name), c.valid) << c.name;
    }
}

TEST(InterfaceNamesTest, TheListIsSplitAtBlanksAndTheFirstBadNameIsNamed) {
    EXPECT_EQ(InterfaceWords("  ppp0\twwan0  usb0 "),
              (std::vector<std::string>{"ppp0", "wwan0", "usb0"}));
    EXPECT_TRUE(InterfaceWords("").empty());
    EXPECT_EQ(FirstBadInterfaceName("ppp0 wwan0"), std::nullopt);
    EXPECT_EQ(FirstBadInterfaceName(""), std::nullopt);
    EXPECT_EQ(FirstBadInterfaceName("ppp0 a/b ..").value_or(""), "a/b");
    EXPECT_EQ(FirstBadInterfaceName("ppp0 .. a/b").value_or(""), "..");
    EXPECT_NE(InterfaceNameMessage("a/b").find("「a/b」"), std::string::npos);
}

TEST(ChargeResetTest, TheResetValuesAreTheUnregisteredNameWithPresetZerosHours) {
    const ChargeType reset = ResetChargeType();
    EXPECT_EQ(reset.name, "未登録");
    EXPECT_EQ(reset.freeToll, 0u);
    EXPECT_EQ(reset.tollSpan, 180u);
    EXPECT_EQ(reset.freeSpan, 240u);
    for (const std::uint32_t mask : reset.dow) {
        EXPECT_EQ(mask, 0x8000FFu);
    }
}

}  // namespace
}  // namespace trovik
