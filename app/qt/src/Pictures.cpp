#include "Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace {

struct NamedPicture {
    int id;
    const char* resource;
};

constexpr NamedPicture kPictures[] = {
    {PICTURE_CHECKED, ":/icons/check-on.svg"},
    {PICTURE_UNCHECKED, ":/icons/check-off.svg"},
    {PICTURE_OPERATION_FIRST + 0, ":/icons/operation-sync.svg"},
    {PICTURE_OPERATION_FIRST + 1, ":/icons/operation-calendar.svg"},
    {PICTURE_OPERATION_FIRST + 2, ":/icons/operation-upload.svg"},
    {PICTURE_OPERATION_FIRST + 3, ":/icons/operation-download.svg"},
    {PICTURE_OPERATION_FIRST + 4, ":/icons/operation-backup.svg"},
    {PICTURE_OPERATION_FIRST + 5, ":/icons/operation-restore.svg"},
    {PICTURE_AUDIO, ":/icons/kind-audio.svg"},
    {PICTURE_VIDEO, ":/icons/kind-video.svg"},
    {PICTURE_OTHER_FILE, ":/icons/kind-other.svg"},
};

// Drawn for the screen's pixel ratio, so that the pictures stay sharp on dense screens.
QPixmap Render(const char* resource, QSize size)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer{QString::fromLatin1(resource)};
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QPixmap Picture(int id, int size)
{
    for (const NamedPicture& picture : kPictures) {
        if (picture.id == id)
            return Render(picture.resource, QSize(size, size));
    }
    return {};
}

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/lumeno.svg"));
}

QIcon FolderIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/folder-closed.svg"), {}, QIcon::Normal, QIcon::Off);
    icon.addFile(QStringLiteral(":/icons/folder-open.svg"), {}, QIcon::Normal, QIcon::On);
    return icon;
}

QPixmap Banner(QSize size)
{
    return Render(":/icons/banner.svg", size);
}
