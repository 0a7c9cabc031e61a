#include "addressbook/UrlOpener.h"

#include <QProcess>
#include <QString>

void TDesktopUrlOpener::Open(const std::string& url) {
    // Like the shell call it stands for, the outcome is not examined.
    QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(url)});
}
