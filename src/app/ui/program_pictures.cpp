#include "app/ui/program_pictures.h"

static void initPictureResources() { Q_INIT_RESOURCE(app_icon); }

QIcon programPicture(const QString& name) {
    initPictureResources();  // the resources of a static library are not registered by themselves
    return QIcon(QStringLiteral(":/icons/") + name);
}
