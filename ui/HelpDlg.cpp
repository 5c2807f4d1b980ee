#include "ui/HelpDlg.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/TrayImages.h"

namespace trovik {

HelpDlg::HelpDlg(const QString& page) : QWidget(nullptr, Qt::Window) {
    setWindowIcon(ProgramIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    if (QFileInfo::exists(page)) {
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
