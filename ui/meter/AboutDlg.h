#pragma once

// The about box (dialog 100, "バージョン情報"): the program icon, the name
// and version, and one line on what the program does. Modal.

#include <QDialog>
#include <QString>

namespace trovik {

class AboutDlg : public QDialog {
public:
    // `version` is the program's version ("0.1.0"), shown after the name.
    AboutDlg(QWidget* parent, const QString& version);

    // The name and version line as shown.
    QString VersionText() const;
};

}  // namespace trovik
