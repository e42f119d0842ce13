#include "qt/hand_over_adaptor.h"

#include "playlist/file_uri.h"

#include <iostream>

namespace zt4::qt {

HandOverAdaptor::HandOverAdaptor(QObject* object, AddFiles addFiles)
    : QDBusAbstractAdaptor(object), addFiles_(std::move(addFiles)) {}

void HandOverAdaptor::OpenUris(const QStringList& uris) {
    std::vector<std::string> paths;
    for (const QString& uri : uris) {
        if (std::optional<std::string> path = PathOfFileUri(uri.toStdString()))
            paths.push_back(*path);
        else
            std::cerr << "zt4: not a local file, skipped: " << uri.toStdString() << '\n';
    }
    addFiles_(std::move(paths));
}

} // namespace zt4::qt
