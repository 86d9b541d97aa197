#include "image_list.h"

// The images live in a static library: the resource must be registered by
// hand, its initializer would otherwise be dropped at link time.
static void initImageResources()
{
    Q_INIT_RESOURCE(images);
}

namespace {

// In image index order: open, save, up, down, delete, start.
constexpr const char* imageFiles[] = {
    ":/images/open.xpm", ":/images/save.xpm",   ":/images/up.xpm",
    ":/images/down.xpm", ":/images/delete.xpm", ":/images/start.xpm",
};

}  // namespace

ImageList::ImageList(QObject* parent) : QObject(parent)
{
    initImageResources();
    for (const char* file : imageFiles)
        images_ << QIcon(QString::fromLatin1(file));
}

QIcon ImageList::applicationIcon()
{
    initImageResources();
    return QIcon(QStringLiteral(":/images/velmor-merger.xpm"));
}
