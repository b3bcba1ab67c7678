#include "windows/PageView.h"

#include "platform/AppInfo.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

bool readableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

PageView::PageView(QWidget* parent) : QTextBrowser(parent) {
    // Every activated link comes to followLink, so nothing but a local file ever loads here.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    document()->setDocumentMargin(10);
    // Pages wrap to the view's width; a long path in a message breaks anywhere rather than
    // running off the side.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::followLink);
    // Going back and forward restores pages from the history without asking doSetSource.
    connect(this, &QTextBrowser::sourceChanged, this, [this](const QUrl& source) {
        if (source.isLocalFile()) {
            page_ = source.toLocalFile();
            missing_ = false;
        }
    });
}

void PageView::Navigate(const QString& path) {
    if (!readableFile(path)) {
        page_ = path;
        showMissing(path);
        return;
    }
    setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    page_ = path;
}

void PageView::followLink(const QUrl& url) {
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
    if (localPathOf(url).isEmpty()) {
        QDesktopServices::openUrl(url);
        return;
    }
    setSource(url);
}

void PageView::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    // Links and history (Back, Forward) both come through here.
    if (name.isEmpty()) {
        QTextBrowser::doSetSource(name, type);
        return;
    }
    const QString local = localPathOf(name);
    if (local.isEmpty()) {
        QDesktopServices::openUrl(name);
        return;
    }
    page_ = local;
    if (!readableFile(local)) {
        showMissing(local);
        return;
    }
    missing_ = false;
    QUrl target = QUrl::fromLocalFile(QFileInfo(local).absoluteFilePath());
    target.setFragment(name.fragment());
    QTextBrowser::doSetSource(target, type);
}

QString PageView::localPathOf(const QUrl& url) const {
    if (url.isLocalFile()) {
        return url.toLocalFile();
    }
    if (!url.scheme().isEmpty() || url.path().isEmpty()) {
        return {};
    }
    const QString path = url.path();
    if (QDir::isAbsolutePath(path)) {
        return path;
    }
    // A relative link seen before any page was shown: pages live in the data folder.
    const QString base =
        page_.isEmpty() ? platform::applicationFolder() : QFileInfo(page_).absolutePath();
    return QDir(base).filePath(path);
}

void PageView::showMissing(const QString& path) {
    missing_ = true;
    // Forget the last page, so that coming back to it loads it again.
    QTextBrowser::doSetSource(QUrl(), QTextDocument::UnknownResource);
    clearHistory();
    const QString folder = QFileInfo(path).absolutePath();
    QString where = tr("Zelphor reads its pages (help.htm and the others) from the folder %1.")
                        .arg(QDir::toNativeSeparators(folder));
    if (!qEnvironmentVariable("ZELPHOR_DATA_DIR").isEmpty()) {
        where += tr(" ZELPHOR_DATA_DIR names that folder: point it at a folder that holds the "
                    "pages, or unset it to use the installed ones.");
    } else {
        where += tr(" To read them from another folder, name it in ZELPHOR_DATA_DIR.");
    }
    setPlainText(tr("The page could not be found:\n%1\n\n%2").arg(path, where));
}
