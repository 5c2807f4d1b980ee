#pragma once

// Turns a dialog template (res/DialogTemplates.h) into Qt widgets: the
// dialog's caption, font, window flags and fixed client size, and one child
// widget per control at its absolute place. No layout managers are used, so
// changing a text later never starts a layout pass.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>

#include "res/DialogTemplates.h"

class QPaintDevice;

namespace trovik {

// Tells Qt which installed fonts stand for the faces the dialogs name:
// "ＭＳ Ｐゴシック" becomes the Japanese proportional gothic IPAPGothic
// (Debian's fonts-ipafont-gothic), with other Japanese gothics as fallbacks.
// Call once at start, after the QApplication exists and before any dialog is
// built.
void InstallFontSubstitutes();

// Qt's own texts in Japanese whatever the locale, since the program speaks
// only Japanese: the standard buttons read はい, いいえ, キャンセル and OK,
// and so do the text fields' context menus. The catalogue comes from Debian's
// qt6-translations-l10n; false when it is not installed (the texts stay
// English). Call once at start, after the QApplication exists.
bool InstallQtJapanese();

// The font a template names, at its point size.
QFont DialogFont(const DialogTemplate& dialog);

// Dialog units of one font. Across, a unit is a quarter of the font's
// average character width, taken over "A" to "Z" and "a" to "z" and rounded
// to whole pixels; down, an eighth of the font's height. Conversions round
// to the nearest pixel; a place and a size are converted each on its own.
class DialogUnits {
public:
    // From the base units in pixels: average character width and height.
    DialogUnits(int averageWidth, int fontHeight) : baseX(averageWidth), baseY(fontHeight) {}

    // The units of `font` as drawn on `device` (its resolution), or on the
    // primary screen when `device` is null.
    static DialogUnits ForFont(const QFont& font, const QPaintDevice* device = nullptr);

    int X(int units) const { return Scale(units, baseX, 4); }
    int Y(int units) const { return Scale(units, baseY, 8); }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }

    int AverageWidth() const { return baseX; }
    int FontHeight() const { return baseY; }

private:
    // units × base ÷ divisor, rounded half away from zero.
    static int Scale(int units, int base, int divisor) {
        const long long product = static_cast<long long>(units) * base;
        const long long half = divisor / 2;
        return static_cast<int>(product >= 0 ? (product + half) / divisor
                                             : -((-product + half) / divisor));
    }

    int baseX;
    int baseY;
};

// The window flags of a template's styles (DialogStyle bits).
Qt::WindowFlags WindowFlagsFor(std::uint32_t style);

// Makes `dialog` the template's dialog: caption, font, window flags, fixed
// client size, and its controls as children placed absolutely. Call it once,
// before the widget is first shown (setting window flags hides a shown
// window). Returns the dialog units it used, for code that places more
// things by dialog units.
//
// The widgets: static and value texts are plain-text QLabels of fixed size;
// frames are QFrames (an invisible one stays hidden, only its geometry
// counts); icons are QLabels with the picture centred; buttons QPushButton;
// progress bars QProgressBar 0..100 without text; group boxes QGroupBox;
// check boxes QCheckBox; radio buttons QRadioButton, each run of them (a new
// run starts at kControlGroup or after another kind of control) in its own
// exclusive QButtonGroup whose button ids are the control ids; edits
// QLineEdit, or QPlainTextEdit when many-lined; spin edits QSpinBox 0..100;
// drop-down lists QComboBox; scroll bars a vertical QScrollBar; up-downs an
// UpDownControl whose buddy is the last one-line edit before it; list views a
// QTreeWidget of rows (no columns yet: the dialog adds them). Texts, frames,
// icons and group boxes let mouse events through to the dialog, as the
// dialog's own clicks and pointer moves are what the program acts on.
DialogUnits BuildDialog(QWidget* dialog, const DialogTemplate& dialogTemplate);

// The same for a page of a tabbed sheet: font, fixed size and controls, but
// no window flags or caption, so the page stays a child widget.
DialogUnits BuildPage(QWidget* page, const DialogTemplate& dialogTemplate);

// The control of that id among the dialog's direct children, or nullptr.
// Looks it up by name: meant for start-up, not for every tick.
QWidget* ControlById(const QWidget* dialog, unsigned id);

template <class T>
T* ControlById(const QWidget* dialog, unsigned id) {
    return qobject_cast<T*>(ControlById(dialog, id));
}

// The object name BuildDialog gives the control of that id ("ctl1000").
QString ControlName(unsigned id);

}  // namespace trovik
