#include "ui/meter/AboutDlg.h"

#include <QByteArray>
#include <QLabel>
#include <QPushButton>
#include <string>
#include <string_view>

#include "res/DialogTemplates.h"
#include "res/TextFormat.h"
#include "ui/common/DialogBuilder.h"
#include "ui/meter/TrayImages.h"

namespace trovik {

AboutDlg::AboutDlg(QWidget* parent, const QString& version) : QDialog(parent) {
    const DialogTemplate& dialog = *FindDialogTemplate(kAboutDialog);
    BuildDialog(this, dialog);
    setModal(true);
    setWindowIcon(ProgramIcon());
    if (auto* line = ControlById<QLabel>(this, kAboutVersionControl)) {
        // The template's text is the format; its "%s" takes the version.
        const QByteArray versionUtf8 = version.toUtf8();
        const std::string text =
            FormatText(FindControlTemplate(dialog, kAboutVersionControl)->text,
                       {std::string_view(versionUtf8.constData(),
                                         static_cast<std::size_t>(versionUtf8.size()))});
        line->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    if (auto* ok = ControlById<QPushButton>(this, kOkButton)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

QString AboutDlg::VersionText() const {
    const auto* line = ControlById<QLabel>(this, kAboutVersionControl);
    return line != nullptr ? line->text() : QString();
}

}  // namespace trovik
