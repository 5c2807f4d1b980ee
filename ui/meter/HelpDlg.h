#pragma once

// The help page in the program's own window, for desktops where no launcher
// opens it: a rich-text browser on the page, its links followed inside, web
// links handed to the desktop. Modeless; one is reused.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace trovik {

class HelpDlg final : public QWidget {
public:
    // `page` is the help page's file path.
    explicit HelpDlg(const QString& page);

    // The text of the page as shown (tests).
    QString PlainText() const;

private:
    QTextBrowser* browser = nullptr;
};

}  // namespace trovik
