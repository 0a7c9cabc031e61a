#include "app/CopiaUnica.h"

#include <QDir>
#include <QStandardPaths>

namespace brivano {

TCopiaUnica::TCopiaUnica(const QString& cartella)
    : lock_(QDir(cartella).filePath(QStringLiteral("brivano.lock"))) {
    // Stale only when its owner is gone, however long a copy has been running.
    lock_.setStaleLockTime(0);
}

QString TCopiaUnica::CartellaRuntime() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool TCopiaUnica::Prendi() {
    if (lock_.tryLock(0)) return true;
    return lock_.error() != QLockFile::LockFailedError;
}

}  // namespace brivano
