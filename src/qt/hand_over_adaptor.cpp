#include "qt/hand_over_adaptor.h"

namespace zt4::qt {

HandOverAdaptor::HandOverAdaptor(QObject* object, FilesFromOutside& files)
    : QDBusAbstractAdaptor(object), files_(files) {}

void HandOverAdaptor::OpenUris(const QStringList& uris) {
    std::vector<std::string> list;
    for (const QString& uri : uris)
        list.push_back(uri.toStdString());
    files_.addUris(list);
}

} // namespace zt4::qt
