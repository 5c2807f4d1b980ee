// The settings pages' and the charge detail dialog's templates: every
// control the pages address is there, nothing lies outside its dialog or on
// top of another input, and at the dialog font no text is cut.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <vector>

#include "res/DialogTemplates.h"
#include "ui/common/DialogBuilder.h"

namespace trovik {
namespace {

struct Expected {
    unsigned id;
    const char* caption;
    std::vector<unsigned> controls;
};

std::vector<unsigned> MouseIds() {
    std::vector<unsigned> ids;
    for (unsigned column = 0; column < 6; ++column) {
        for (unsigned row = 0; row < 8; ++row) {
            ids.push_back(MouseRadioId(column, row));
        }
    }
    return ids;
}

std::vector<unsigned> CumuIds() {
    std::vector<unsigned> ids{1034, 1132, 1128, 1135};
    for (const auto& row : kChargeRowIds) {
        ids.insert(ids.end(), {row.radio, row.check, row.name, row.button});
    }
    return ids;
}

std::vector<unsigned> DetailIds() {
    std::vector<unsigned> ids{1, 2, 1312, 1142, 1143, 1140, 1141, 1138, 1139, 1313};
    for (unsigned id = 1144; id <= 1311; ++id) {
        ids.push_back(id);
    }
    return ids;
}

std::vector<Expected> Dialogs() {
    return {
        {135, "基本動作", {1006, 1007, 1074, 1073, 1009, 1008, 1010, 1011}},
        {136, "マウスボタン", MouseIds()},
        {137, "自動切断", {1037, 1038, 1039, 1090, 1040, 1042, 1041, 1044, 1075, 1043, 1045}},
        {145, "表示", {1069, 1070, 1071, 1074, 1072, 1092, 1097, 1100, 1101}},
        {148, "累計情報", CumuIds()},
        {151, "拡張DLL", {1318, 1319, 1324}},
        {139,
         "その他",
         {1004, 1012, 1033, 1034, 1035, 1091, 1101, kNotifyBox, kAppUsageBox, kExactBox,
          kExactReasonText, kLoginStartBox, 1340, 1341}},
        {152,
         "データ量",
         {kQuotaField, kQuotaWarnField, kQuotaWarnSpin, kDiscOnQuotaBox, kQuotaUseText,
          kQuotaBudgetText, kQuotaProjectionText}},
        {150, "料金詳細", DetailIds()},
    };
}

bool TakesInput(ControlKind kind) {
    return kind != ControlKind::StaticText && kind != ControlKind::ValueText &&
           kind != ControlKind::GroupBox && kind != ControlKind::Frame;
}

TEST(SheetTemplatesTest, EveryControlIsThereInsideItsDialogAndInputsDoNotOverlap) {
    for (const Expected& e : Dialogs()) {
        SCOPED_TRACE(e.id);
        const DialogTemplate* dialog = FindDialogTemplate(e.id);
        ASSERT_NE(dialog, nullptr);
        EXPECT_STREQ(dialog->caption, e.caption);
        for (const unsigned id : e.controls) {
            EXPECT_NE(FindControlTemplate(*dialog, id), nullptr) << id;
        }
        for (const ControlTemplate& c : dialog->controls) {
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.width, dialog->width) << c.id << " " << c.text;
            EXPECT_LE(c.y + c.height, dialog->height) << c.id << " " << c.text;
        }
        for (const ControlTemplate& a : dialog->controls) {
            for (const ControlTemplate& b : dialog->controls) {
                if (&a >= &b || !TakesInput(a.kind) || !TakesInput(b.kind)) {
                    continue;
                }
                const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x ||
                                   a.y + a.height <= b.y || b.y + b.height <= a.y;
                EXPECT_TRUE(apart) << a.id << " and " << b.id;
            }
        }
    }
}

TEST(SheetTemplatesTest, NoTextIsCutAtTheDialogFont) {
    for (const Expected& e : Dialogs()) {
        SCOPED_TRACE(e.id);
        QWidget page;
        BuildPage(&page, *FindDialogTemplate(e.id));
        for (QWidget* child : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QString text;
            if (auto* label = qobject_cast<QLabel*>(child); label && !label->wordWrap()) {
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                text = button->text();
            }
            if (text.isEmpty()) {
                continue;
            }
            // A push button's hint has a minimum width of the style's; its
            // text needs only a little room on either side.
            const int needed = qobject_cast<QPushButton*>(child) != nullptr
                                   ? child->fontMetrics().horizontalAdvance(text) + 8
                                   : child->sizeHint().width();
            EXPECT_LE(needed, child->width()) << text.toStdString();
        }
    }
}

}  // namespace
}  // namespace trovik
