#pragma once

// Files a reader must refuse without reading them: a FIFO (a read would
// block for ever), a link to an endless device and a sparse file of 100 GB
// (a read would fill memory).

#include <sys/stat.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kavitro::test {

// Makes the three in dir, the link named zeroName (a reader that goes by the
// name takes it for that kind of file); empty when one cannot be made.
inline QStringList MakeHostileFiles(const QTemporaryDir& dir, const QString& zeroName = QStringLiteral("zero.kv2")) {
    const QString fifo = dir.filePath(QStringLiteral("fifo.kv2"));
    const QString zero = dir.filePath(zeroName);
    const QString sparse = dir.filePath(QStringLiteral("sparse.kv2"));
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0 || !QFile::link(QStringLiteral("/dev/zero"), zero))
        return {};
    QFile f(sparse);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64{100} << 30))  // holes only
        return {};
    return {fifo, zero, sparse};
}

}  // namespace kavitro::test
