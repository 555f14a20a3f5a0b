#include "controls/LinkOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
LinkOpener::Open &installed()
{
    static LinkOpener::Open open;
    return open;
}
} // namespace

void LinkOpener::install(Open open)
{
    installed() = std::move(open);
}

bool LinkOpener::open(const QString &link)
{
    if (installed())
        return installed()(link);
    return QDesktopServices::openUrl(QUrl::fromUserInput(link));
}
