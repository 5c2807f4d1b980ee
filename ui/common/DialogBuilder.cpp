#include "ui/common/DialogBuilder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

#include "ui/common/UpDownControl.h"
#include "ui/meter/TrayImages.h"

namespace trovik {

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

bool Has(std::uint32_t flags, std::uint32_t bit) {
    return (flags & bit) != 0;
}

Qt::Alignment TextAlignment(std::uint32_t flags) {
    Qt::Alignment across = Qt::AlignLeft;
    if (Has(flags, kControlCenter)) {
        across = Qt::AlignHCenter;
    } else if (Has(flags, kControlRight)) {
        across = Qt::AlignRight;
    }
    return across | (Has(flags, kControlVCenter) ? Qt::AlignVCenter : Qt::AlignTop);
}

void ApplyBorder(QFrame* frame, std::uint32_t flags) {
    if (Has(flags, kControlSunken)) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
    } else if (Has(flags, kControlEtched)) {
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setLineWidth(1);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
    }
}

// A plain-text label whose size never changes, so that a new text only
// repaints it: no size hint is asked and no layout request is posted.
QLabel* MakeLabel(QWidget* dialog, const ControlTemplate& control) {
    auto* label = new QLabel(dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(TextAlignment(control.flags));
    label->setWordWrap(Has(control.flags, kControlWordWrap));
    ApplyBorder(label, control.flags);
    label->setText(Utf8(control.text));
    return label;
}

QWidget* MakeIcon(QWidget* dialog, const ControlTemplate& control, const QRect& place) {
    auto* label = new QLabel(dialog);
    label->setAlignment(Qt::AlignCenter);
    const int side = std::max(1, std::min(place.width(), place.height()));
    const qreal ratio = dialog->devicePixelRatioF();
    QPixmap picture =
        IconPixmap(control.image, static_cast<int>(std::lround(side * std::max(1.0, ratio))));
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(std::max(1.0, ratio));
        label->setPixmap(picture);
    }
    return label;
}

QWidget* MakeEdit(QWidget* dialog, const ControlTemplate& control) {
    if (Has(control.flags, kControlMultiLine)) {
        auto* edit = new QPlainTextEdit(dialog);
        edit->setReadOnly(Has(control.flags, kControlReadOnly));
        if (Has(control.flags, kControlScrollBars)) {
            edit->setLineWrapMode(QPlainTextEdit::NoWrap);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        }
        edit->setPlainText(Utf8(control.text));
        return edit;
    }
    auto* edit = new QLineEdit(Utf8(control.text), dialog);
    edit->setReadOnly(Has(control.flags, kControlReadOnly));
    edit->setAlignment(TextAlignment(control.flags) | Qt::AlignVCenter);
    if (Has(control.flags, kControlDigitsOnly)) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

// Radio buttons of one run share an exclusive group; the dialog owns it.
class RadioGroups {
public:
    explicit RadioGroups(QWidget* owner) : dialog(owner) {}

    void Add(QAbstractButton* button, const ControlTemplate& control) {
        if (current == nullptr || Has(control.flags, kControlGroup)) {
            current = new QButtonGroup(dialog);
            current->setExclusive(true);
        }
        current->addButton(button, control.id == kNoControlId ? -1 : static_cast<int>(control.id));
    }
    // Any other kind of control ends the run.
    void End() { current = nullptr; }

private:
    QWidget* dialog;
    QButtonGroup* current = nullptr;
};

// A list of rows with columns: one row chosen at a time, the whole row
// highlighted, no tree decoration and no sorting by the header.
QWidget* MakeListView(QWidget* dialog) {
    auto* list = new QTreeWidget(dialog);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(false);
    return list;
}

QWidget* MakeControl(QWidget* dialog, const ControlTemplate& control, const QRect& place,
                     RadioGroups& radios, QLineEdit*& lastEdit) {
    if (control.kind != ControlKind::RadioButton) {
        radios.End();
    }
    switch (control.kind) {
        case ControlKind::StaticText:
        case ControlKind::ValueText:
            return MakeLabel(dialog, control);
        case ControlKind::Frame: {
            auto* frame = new QFrame(dialog);
            ApplyBorder(frame, control.flags);
            return frame;
        }
        case ControlKind::Icon:
            return MakeIcon(dialog, control, place);
        case ControlKind::Button: {
            auto* button = new QPushButton(Utf8(control.text), dialog);
            if (Has(control.flags, kControlDefault)) {
                button->setDefault(true);
            }
            return button;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(dialog);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(Utf8(control.text), dialog);
        case ControlKind::CheckBox:
            return new QCheckBox(Utf8(control.text), dialog);
        case ControlKind::RadioButton: {
            auto* button = new QRadioButton(Utf8(control.text), dialog);
            radios.Add(button, control);
            return button;
        }
        case ControlKind::Edit: {
            QWidget* edit = MakeEdit(dialog, control);
            lastEdit = qobject_cast<QLineEdit*>(edit);
            return edit;
        }
        case ControlKind::UpDown: {
            auto* upDown = new UpDownControl(dialog);
            upDown->SetBuddy(lastEdit);
            return upDown;
        }
        case ControlKind::ListView:
            return MakeListView(dialog);
        case ControlKind::SpinEdit: {
            auto* spin = new QSpinBox(dialog);
            spin->setRange(0, 100);
            spin->setAlignment(TextAlignment(control.flags) | Qt::AlignVCenter);
            return spin;
        }
        case ControlKind::DropDownList:
            return new QComboBox(dialog);
        case ControlKind::ScrollBar:
            return new QScrollBar(Qt::Vertical, dialog);
    }
    return new QWidget(dialog);
}

// Kinds that show something and take no input: clicks and pointer moves on
// them belong to the dialog.
bool PassesMouse(ControlKind kind) {
    return kind == ControlKind::StaticText || kind == ControlKind::ValueText ||
           kind == ControlKind::Frame || kind == ControlKind::Icon || kind == ControlKind::GroupBox;
}

}  // namespace

void InstallFontSubstitutes() {
    // Japanese gothics Debian packages, best first; the first one installed
    // serves the face.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                                QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(
        QStringLiteral("ＭＳ ゴシック"),
        {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
         QStringLiteral("VL Gothic")});
}

bool InstallQtJapanese() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QFont DialogFont(const DialogTemplate& dialog) {
    QFont font(Utf8(dialog.fontFace));
    font.setPointSize(static_cast<int>(dialog.fontPoints));
    return font;
}

DialogUnits DialogUnits::ForFont(const QFont& font, const QPaintDevice* device) {
    const QFontMetrics metrics =
        device != nullptr ? QFontMetrics(font, device) : QFontMetrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average over the 52 letters, rounded to whole pixels.
    const int average = (letters / 26 + 1) / 2;
    return DialogUnits(std::max(1, average), std::max(1, metrics.height()));
}

Qt::WindowFlags WindowFlagsFor(std::uint32_t style) {
    Qt::WindowFlags flags = Has(style, kDialogToolWindow)  ? Qt::Tool
                            : Has(style, kDialogAppWindow) ? Qt::Window
                                                           : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (Has(style, kDialogCaption)) {
        flags |= Qt::WindowTitleHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if (Has(style, kDialogSystemMenu)) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (Has(style, kDialogMinimizeBox)) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (Has(style, kDialogModalFrame)) {
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    }
    if (Has(style, kDialogTopMost)) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    return flags;
}

DialogUnits BuildDialog(QWidget* dialog, const DialogTemplate& dialogTemplate) {
    dialog->setWindowFlags(WindowFlagsFor(dialogTemplate.style));
    dialog->setWindowTitle(Utf8(dialogTemplate.caption));
    return BuildPage(dialog, dialogTemplate);
}

DialogUnits BuildPage(QWidget* dialog, const DialogTemplate& dialogTemplate) {
    dialog->setFont(DialogFont(dialogTemplate));
    const DialogUnits units = DialogUnits::ForFont(dialog->font(), dialog);
    dialog->setFixedSize(units.Size(dialogTemplate.width, dialogTemplate.height));

    RadioGroups radios(dialog);
    QLineEdit* lastEdit = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const QRect place = units.Rect(control.x, control.y, control.width, control.height);
        QWidget* widget = MakeControl(dialog, control, place, radios, lastEdit);
        widget->setGeometry(place);
        widget->setFixedSize(place.size());
        if (control.id != kNoControlId) {
            widget->setObjectName(ControlName(control.id));
        }
        if (PassesMouse(control.kind)) {
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        if (Has(control.flags, kControlDisabled)) {
            widget->setEnabled(false);
        }
        if (Has(control.flags, kControlHidden | kControlInvisible)) {
            widget->setHidden(true);
        }
    }
    return units;
}

QString ControlName(unsigned id) {
    return QStringLiteral("ctl%1").arg(id);
}

QWidget* ControlById(const QWidget* dialog, unsigned id) {
    if (dialog == nullptr || id == kNoControlId) {
        return nullptr;
    }
    return dialog->findChild<QWidget*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

}  // namespace trovik
