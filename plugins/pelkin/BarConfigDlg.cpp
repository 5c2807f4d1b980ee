#include "plugins/pelkin/BarConfigDlg.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "plugins/common/ModuleMessage.h"
#include "plugins/common/ProfileIni.h"
#include "plugins/common/UIntField.h"

namespace trovik::pelkin {

// A colour sample: its whole rectangle filled with the colour.
class ColorSwatch : public QWidget {
public:
    explicit ColorSwatch(QWidget* parent) : QWidget(parent) { setFixedSize(40, 18); }
    std::uint32_t color = 0;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgb(PixelFromColorRef(color)));
    }
};

namespace {

QColor ToQColor(std::uint32_t colorRef) {
    return QColor::fromRgb(PixelFromColorRef(colorRef));
}

std::uint32_t ToColorRef(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

std::optional<std::uint32_t> PickWithDialog(QWidget* parent, std::uint32_t current) {
    const QColor chosen = QColorDialog::getColor(ToQColor(current), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return ToColorRef(chosen);
}

}  // namespace

CBarConfigDlg::CBarConfigDlg(std::string ini, QWidget* parent)
    : QDialog(parent), iniPath(std::move(ini)) {
    setWindowTitle(QStringLiteral("TrvikPelkinの設定"));
    pickColor = [this](std::uint32_t current) { return PickWithDialog(this, current); };
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("【注意】"), this));
    warning = new QPlainTextEdit(this);
    warning->setObjectName(QStringLiteral("edit1007"));
    warning->setReadOnly(true);
    warning->setFixedHeight(64);
    layout->addWidget(warning);

    // The edge: a small picture of a screen with a radio button at each edge.
    layout->addWidget(new QLabel(QStringLiteral("ｳｨﾝﾄﾞｳ表示位置："), this));
    auto* picture = new QGridLayout;
    auto* screen = new QLabel(this);
    screen->setFrameShape(QFrame::Box);
    screen->setFixedSize(90, 60);
    edges = new QButtonGroup(this);
    struct Edge {
        const char16_t* text;
        int id;
        std::uint32_t value;
        int row;
        int column;
    };
    const Edge edgeButtons[] = {{u"画面左端(&L)", 1000, kLeft, 1, 0},
                                {u"(&R)画面右端", 1001, kRight, 1, 2},
                                {u"画面上端(&U)", 1003, kTop, 0, 1},
                                {u"画面下端&(D)", 1002, kBottom, 2, 1}};
    for (const Edge& edge : edgeButtons) {
        auto* button = new QRadioButton(QString::fromUtf16(edge.text), this);
        button->setObjectName(QStringLiteral("radio%1").arg(edge.id));
        edges->addButton(button, static_cast<int>(edge.value));
        picture->addWidget(button, edge.row, edge.column, Qt::AlignCenter);
    }
    picture->addWidget(screen, 1, 1, Qt::AlignCenter);
    layout->addLayout(picture);

    auto* sizeRow = new QHBoxLayout;
    auto* sizeLabel = new QLabel(QStringLiteral("ｳｨﾝﾄﾞｳ太さ(&W)："), this);
    sizeEdit = new QLineEdit(this);
    sizeEdit->setObjectName(QStringLiteral("edit1004"));
    sizeEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), sizeEdit));
    sizeEdit->setMaxLength(5);
    sizeLabel->setBuddy(sizeEdit);
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { StepSize(1); });
    connect(down, &QToolButton::clicked, this, [this] { StepSize(-1); });
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(sizeEdit);
    sizeRow->addWidget(up);
    sizeRow->addWidget(down);
    sizeRow->addWidget(new QLabel(QStringLiteral("ﾄﾞｯﾄ"), this));
    sizeRow->addStretch();
    layout->addLayout(sizeRow);

    auto* group = new QGroupBox(QStringLiteral("ｸﾞﾗﾌ色"), this);
    auto* rows = new QGridLayout(group);
    const char16_t* labels[] = {u"下地：", u"送信：", u"受信："};
    const char16_t* buttons[] = {u"変更(&B)", u"変更(&T)", u"変更(&V)"};
    for (int row = 0; row < 3; ++row) {
        const auto index = static_cast<std::size_t>(row);
        swatches[index] = new ColorSwatch(group);
        swatches[index]->setObjectName(QStringLiteral("swatch%1").arg(1010 + 2 * row));
        auto* change = new QPushButton(QString::fromUtf16(buttons[row]), group);
        change->setObjectName(QStringLiteral("button%1").arg(1011 + 2 * row));
        connect(change, &QPushButton::clicked, this, [this, row] { ChangeColor(row); });
        rows->addWidget(new QLabel(QString::fromUtf16(labels[row]), group), row, 0);
        rows->addWidget(swatches[index], row, 1);
        rows->addWidget(change, row, 2);
    }
    layout->addWidget(group);

    auto* box = new QDialogButtonBox(this);
    auto* ok = box->addButton(QDialogButtonBox::Ok);
    auto* cancel = box->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { (void)TryAccept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    layout->addWidget(box);

    // The stored values, "Size" defaulting to the dialog's own proposal.
    const BarSettings stored = ReadBarSettings(iniPath, kDialogSizeDefault);
    storedPosition = stored.position;
    warning->setPlainText(
        QString::fromUtf8(kWarningText.data(), static_cast<qsizetype>(kWarningText.size())));
    if (QAbstractButton* button = edges->button(static_cast<int>(stored.position))) {
        button->setChecked(true);
    }
    sizeEdit->setText(QString::number(stored.size));
    swatches[0]->color = stored.colors.base;
    swatches[1]->color = stored.colors.tx;
    swatches[2]->color = stored.colors.rx;
}

std::uint32_t CBarConfigDlg::Color(int row) const {
    return swatches[static_cast<std::size_t>(row)]->color;
}

QRadioButton* CBarConfigDlg::EdgeButton(std::uint32_t position) const {
    return static_cast<QRadioButton*>(edges->button(static_cast<int>(position)));
}

void CBarConfigDlg::StepSize(int delta) {
    std::uint32_t size = 0;
    if (plugin::CheckUIntField(sizeEdit->text().toStdString(), 0, 0xFFFFFFFFu, size) !=
        plugin::UIntCheck::Ok) {
        size = kDialogSizeDefault;
    }
    std::int64_t next = static_cast<std::int64_t>(size) + delta;
    next = std::clamp<std::int64_t>(next, kMinSize, kMaxSize);
    sizeEdit->setText(QString::number(next));
}

void CBarConfigDlg::ChangeColor(int row) {
    ColorSwatch* swatch = swatches[static_cast<std::size_t>(row)];
    if (const auto chosen = pickColor(swatch->color)) {
        swatch->color = *chosen;
        swatch->update();
    }
}

bool CBarConfigDlg::TryAccept() {
    std::uint32_t size = 0;
    const plugin::UIntCheck check =
        plugin::CheckUIntField(sizeEdit->text().toStdString(), kMinSize, kMaxSize, size);
    if (check != plugin::UIntCheck::Ok) {
        plugin::ShowModuleMessage(kTitle, plugin::UIntFieldMessage(check, kMinSize, kMaxSize));
        sizeEdit->setFocus();
        sizeEdit->selectAll();
        return false;
    }
    BarSettings settings;
    // With no edge button checked (a stored value outside 0 to 3) the stored
    // value is kept.
    const int checked = edges->checkedId();
    settings.position = checked >= 0 ? static_cast<std::uint32_t>(checked) : storedPosition;
    settings.size = size;
    settings.colors = {Color(0), Color(1), Color(2)};
    if (!WriteBarSettings(iniPath, settings)) {
        plugin::ShowModuleMessage(kTitle, plugin::kProfileWriteFailedText);
        return false;
    }
    accept();
    return true;
}

}  // namespace trovik::pelkin
