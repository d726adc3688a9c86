// SPDX-License-Identifier: MIT

#include "safety/RecoveryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <algorithm>

namespace safety {
namespace {

// A copy holds the document as UTF-16 plus its runs; the editor refuses bigger files anyway.
constexpr qint64 kMaxCopySize = qint64(512) * 1024 * 1024;

} // namespace

RecoveryStore::RecoveryStore(std::function<QString()> folder) : folder_(std::move(folder)) {}

QString RecoveryStore::folder() const
{
    return QDir(folder_()).filePath(QStringLiteral("recovery"));
}

QString RecoveryStore::keyOf(const QString& documentPath) const
{
    const QString absolute = QFileInfo(documentPath).absoluteFilePath();
    return QString::fromLatin1(
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

QString RecoveryStore::fileFor(const QString& documentPath, const QString& instance) const
{
    return QDir(folder()).filePath(QStringLiteral("file-%1-%2").arg(keyOf(documentPath), instance) +
                                   suffix());
}

QStringList RecoveryStore::filesFor(const QString& documentPath) const
{
    const QString key = keyOf(documentPath);
    // "file-<key>.recovery" is the name older editors gave the one copy of a file.
    return matching({QStringLiteral("file-%1-*").arg(key) + suffix(),
                     QStringLiteral("file-%1").arg(key) + suffix()});
}

QString RecoveryStore::newUntitledFile() const
{
    const QString name =
        QStringLiteral("untitled-%1-%2")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz")),
                 QUuid::createUuid().toString(QUuid::Id128).left(12));
    return QDir(folder()).filePath(name + suffix());
}

QString RecoveryStore::openLockFor(const QString& documentPath) const
{
    return QDir(folder()).filePath(QStringLiteral("open-%1.lock").arg(keyOf(documentPath)));
}

std::optional<QString> RecoveryStore::write(const QString& file, const RecoveryCopy& copy) const
{
    const QString dir = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(dir))
        return QStringLiteral("Cannot create the folder %1").arg(dir);

    const QByteArray bytes = recoveryformat::encode(copy);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    if (out.write(bytes) != bytes.size()) {
        const QString error = out.errorString();
        out.cancelWriting();
        return error;
    }
    if (!out.commit())
        return out.errorString();
    return std::nullopt;
}

RecoveryStore::ReadResult RecoveryStore::read(const QString& file)
{
    auto damaged = [](const QString& why) { return ReadResult{std::nullopt, why}; };
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return damaged(in.errorString());
    if (in.size() > kMaxCopySize)
        return damaged(QStringLiteral("It is too large to be a recovery copy."));
    // What the size says and a byte more, then on while the file grows, up to the limit and a
    // byte: one read of the whole limit would allocate all of it, which can fail by itself.
    QByteArray bytes = in.read(in.size() + 1);
    while (in.error() == QFileDevice::NoError && bytes.size() <= kMaxCopySize) {
        const QByteArray more = in.read(std::min<qint64>(1 << 16, kMaxCopySize + 1 - bytes.size()));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (bytes.size() > kMaxCopySize)
        return damaged(QStringLiteral("It is too large to be a recovery copy."));
    if (in.error() != QFileDevice::NoError)
        return damaged(in.errorString());
    recoveryformat::Decoded result = recoveryformat::decode(bytes);
    if (!result.copy)
        return damaged(result.error);
    result.copy->file = file;
    return {std::move(result.copy), {}};
}

QStringList RecoveryStore::matching(const QStringList& patterns) const
{
    const QDir dir(folder());
    QStringList out;
    const QFileInfoList entries =
        dir.entryInfoList(patterns, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo& info : entries)
        out << info.absoluteFilePath();
    return out;
}

QStringList RecoveryStore::files() const
{
    return matching({QStringLiteral("*") + suffix()});
}

QString RecoveryStore::setAside(const QString& file)
{
    const QString base = file + QStringLiteral(".damaged");
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) && n < 1000; ++n)
        target = base + QString::number(n);
    if (QFileInfo::exists(target) || !QFile::rename(file, target))
        return {};
    return target;
}

bool RecoveryStore::remove(const QString& file)
{
    return file.isEmpty() || !QFileInfo::exists(file) || QFile::remove(file);
}

} // namespace safety
