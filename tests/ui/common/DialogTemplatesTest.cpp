#include "res/DialogTemplates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace trovik {
namespace {

// One control as the layout table gives it: id (0 for a label), what it is,
// its text, its place and whether it starts hidden.
enum class Role { Label, Value, Bar, ErrorIcon };
using Row = std::tuple<unsigned, Role, std::string, int, int, int, int, bool>;

Role RoleOf(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::ValueText:
            return Role::Value;
        case ControlKind::Frame:
            return Role::Bar;
        case ControlKind::Icon:
            return Role::ErrorIcon;
        default:
            return Role::Label;
    }
}

std::vector<Row> RowsOf(const DialogTemplate& dialog) {
    std::vector<Row> rows;
    for (const ControlTemplate& c : dialog.controls) {
        const bool hidden = (c.flags & (kControlHidden | kControlInvisible)) != 0;
        rows.emplace_back(c.id, RoleOf(c), c.text, c.x, c.y, c.width, c.height, hidden);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ExpectLayout(unsigned id, int width, int height, std::vector<Row> expected) {
    SCOPED_TRACE(id);
    const DialogTemplate* dialog = FindDialogTemplate(id);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->id, id);
    EXPECT_STREQ(dialog->caption, "通信速度");
    EXPECT_STREQ(dialog->fontFace, "ＭＳ Ｐゴシック");
    EXPECT_EQ(dialog->fontPoints, 10u);
    EXPECT_EQ(dialog->width, width);
    EXPECT_EQ(dialog->height, height);
    EXPECT_EQ(dialog->style, kDialogCaption | kDialogSystemMenu | kDialogMinimizeBox |
                                 kDialogModalFrame | kDialogAppWindow);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(RowsOf(*dialog), expected);

    for (const ControlTemplate& c : dialog->controls) {
        if (c.kind == ControlKind::ValueText) {
            EXPECT_EQ(c.flags & (kControlRight | kControlVCenter | kControlSunken),
                      kControlRight | kControlVCenter | kControlSunken)
                << c.id;
        }
        if (c.kind == ControlKind::Frame) {
            EXPECT_NE(c.flags & kControlInvisible, 0u) << c.id;
        }
        if (c.kind == ControlKind::Icon) {
            EXPECT_EQ(c.image, kErrorIcon);
            EXPECT_NE(c.flags & kControlHidden, 0u);
        }
    }
}

constexpr Role L = Role::Label;
constexpr Role V = Role::Value;
constexpr Role B = Role::Bar;
constexpr Role I = Role::ErrorIcon;

TEST(MeterLayouts, StandardAndLarger) {
    ExpectLayout(102, 71, 29,
                 {{0, L, "送信", 0, 0, 16, 10, false},
                  {0, L, "受信", 0, 16, 16, 10, false},
                  {1000, V, "", 20, 0, 25, 11, false},
                  {1001, V, "", 20, 15, 25, 12, false},
                  {0, L, "ﾊﾞｲﾄ/秒", 45, 0, 25, 10, false},
                  {0, L, "ﾊﾞｲﾄ/秒", 45, 15, 25, 10, false},
                  {1080, B, "", 46, 8, 24, 3, true},
                  {1079, B, "", 46, 24, 24, 3, true},
                  {1032, I, "", 2, 2, 20, 20, true}});
    ExpectLayout(142, 86, 29,
                 {{0, L, "送信", 0, 0, 20, 10, false},
                  {0, L, "受信", 0, 16, 20, 10, false},
                  {1000, V, "", 24, 0, 25, 11, false},
                  {1001, V, "", 24, 15, 25, 12, false},
                  {0, L, "ﾊﾞｲﾄ/秒", 52, 0, 32, 10, false},
                  {0, L, "ﾊﾞｲﾄ/秒", 52, 15, 32, 10, false},
                  {1080, B, "", 52, 8, 32, 3, true},
                  {1079, B, "", 52, 24, 32, 3, true},
                  {1032, I, "", 2, 2, 20, 20, true}});
}

TEST(MeterLayouts, Smaller) {
    ExpectLayout(140, 35, 29,
                 {{0, L, "送", 0, 0, 8, 10, false},
                  {0, L, "受", 0, 16, 8, 10, false},
                  {1000, V, "", 10, 0, 24, 8, false},
                  {1001, V, "", 10, 16, 24, 8, false},
                  {1080, B, "", 10, 8, 24, 3, true},
                  {1079, B, "", 10, 24, 24, 3, true},
                  {1032, I, "", 0, 2, 20, 20, true}});
}

TEST(MeterLayouts, TinyOnesHideTheNumbersAndHaveNoErrorIcon) {
    ExpectLayout(141, 59, 7,
                 {{1000, V, "", 0, 0, 8, 8, true},
                  {1001, V, "", 40, 0, 8, 8, true},
                  {1080, B, "", 0, 2, 28, 3, true},
                  {1079, B, "", 29, 2, 28, 3, true}});
    ExpectLayout(143, 31, 10,
                 {{1000, V, "", 0, 3, 8, 8, true},
                  {1001, V, "", 0, 3, 8, 8, true},
                  {1080, B, "", 0, 1, 30, 3, true},
                  {1079, B, "", 0, 6, 30, 3, true}});
    EXPECT_EQ(FindControlTemplate(*FindDialogTemplate(141), 1032), nullptr);
    EXPECT_EQ(FindControlTemplate(*FindDialogTemplate(143), 1032), nullptr);
}

TEST(DialogTemplates, CountdownAndAboutBoxes) {
    const DialogTemplate* countdown = FindDialogTemplate(132);
    ASSERT_NE(countdown, nullptr);
    EXPECT_NE(countdown->style & kDialogTopMost, 0u);
    const ControlTemplate* progress = FindControlTemplate(*countdown, 1010);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->kind, ControlKind::ProgressBar);
    ASSERT_NE(FindControlTemplate(*countdown, 1011), nullptr);
    const ControlTemplate* cancel = FindControlTemplate(*countdown, 2);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->kind, ControlKind::Button);

    const DialogTemplate* about = FindDialogTemplate(100);
    ASSERT_NE(about, nullptr);
    EXPECT_STREQ(about->caption, "バージョン情報");
    ASSERT_NE(FindControlTemplate(*about, 1), nullptr);

    // Every control of both lies inside its dialog.
    for (const DialogTemplate* dialog : {countdown, about}) {
        for (const ControlTemplate& c : dialog->controls) {
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.width, dialog->width) << dialog->id << " " << c.id;
            EXPECT_LE(c.y + c.height, dialog->height) << dialog->id << " " << c.id;
        }
    }
}

TEST(DialogTemplates, UnknownIdsFindNothing) {
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
    EXPECT_EQ(FindDialogTemplate(101), nullptr);
    const DialogTemplate& standard = *FindDialogTemplate(102);
    EXPECT_EQ(FindControlTemplate(standard, kNoControlId), nullptr);
    EXPECT_EQ(FindControlTemplate(standard, 1010), nullptr);
}

}  // namespace
}  // namespace trovik
