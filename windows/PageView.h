#pragma once

#include <QTextBrowser>
#include <QUrl>

// The page view of the Help and advertisement windows. It shows local HTML files only:
// links to other local pages open in the view, everything else goes to the desktop's browser.
class PageView : public QTextBrowser {
    Q_OBJECT

public:
    explicit PageView(QWidget* parent = nullptr);

    // Shows the local file at the given path, or a message naming it when it cannot be read.
    void Navigate(const QString& path);

    // The path last navigated to, whether it could be shown or not.
    QString currentPage() const { return page_; }
    bool showsMissingPage() const { return missing_; }

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    void followLink(const QUrl& url);
    void showMissing(const QString& path);
    QString localPathOf(const QUrl& url) const;

    QString page_;
    bool missing_ = false;
};
