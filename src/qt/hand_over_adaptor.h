#pragma once
// org.example.zt4.HandOver on the player's object: a second `zt4 FILE...` hands all its
// files in one call, so that the player adds them as one batch (one full-list message at
// most), which one OpenUri call per file cannot promise.
//
//   OpenUris(as uris)   adds the local files the file URIs name, in order; the others are
//                       named on standard error. Answered at once: the files are added once
//                       the event loop runs the batch, after any handler that runs now.

#include "wiring/files_from_outside.h"

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace zt4::qt {

inline const char* const kHandOverInterface = "org.example.zt4.HandOver";

class HandOverAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.zt4.HandOver")

  public:
    // Attaches the interface to `object`, before the object is registered on the bus.
    HandOverAdaptor(QObject* object, FilesFromOutside& files);

  public Q_SLOTS:
    void OpenUris(const QStringList& uris);

  private:
    FilesFromOutside& files_;
};

} // namespace zt4::qt
