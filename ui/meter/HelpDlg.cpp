#include "ui/meter/HelpDlg.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/meter/TrayImages.h"

namespace trovik {

HelpDlg::HelpDlg(const QString& page) : QWidget(nullptr, Qt::Window) {
    setWindowIcon(ProgramIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    // A regular file only: a FIFO in its place would keep the browser
    // waiting for a page that never ends.
    if (QFileInfo(page).isFile()) {
        browser->setSource(QUrl::fromLocalFile(page));
    } else {
        browser->setPlainText(QStringLiteral("ヘルプのファイルが見つかりません: ") + page);
    }
    const QString title = browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("ヘルプ") : title);
    resize(760, 600);
}

QString HelpDlg::PlainText() const {
    return browser->toPlainText();
}

}  // namespace trovik
