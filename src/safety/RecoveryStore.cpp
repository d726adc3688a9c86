#include "safety/RecoveryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QUuid>

namespace safety {
namespace {

const QByteArray kMagic = QByteArrayLiteral("Skyrend F1 Editor recovery 1");
// A recovery copy is the document in tagged form; the editor refuses bigger files anyway.
constexpr qint64 kMaxCopySize = qint64(256) * 1024 * 1024;

QByteArray hashOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QByteArray encoded(const QString& value)
{
    // Paths may hold '=' or line breaks; the header stays one line per field.
    return QUrl::toPercentEncoding(value);
}

QString decoded(const QByteArray& value)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
}

} // namespace

RecoveryStore::RecoveryStore(std::function<QString()> folder) : folder_(std::move(folder)) {}

QString RecoveryStore::folder() const
{
    return QDir(folder_()).filePath(QStringLiteral("recovery"));
}

QString RecoveryStore::fileFor(const QString& documentPath) const
{
    const QString absolute = QFileInfo(documentPath).absoluteFilePath();
    const QByteArray key =
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QDir(folder()).filePath(QStringLiteral("file-") + QString::fromLatin1(key) + suffix());
}

QString RecoveryStore::newUntitledFile() const
{
    const QString name =
        QStringLiteral("untitled-%1-%2")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz")),
                 QUuid::createUuid().toString(QUuid::Id128).left(12));
    return QDir(folder()).filePath(name + suffix());
}

std::optional<QString> RecoveryStore::write(const QString& file, const RecoveryCopy& copy) const
{
    const QString dir = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(dir))
        return QStringLiteral("Cannot create the folder %1").arg(dir);

    const QByteArray body = copy.taggedText.toUtf8();
    QByteArray bytes = kMagic + '\n';
    bytes += "path=" + encoded(copy.documentPath) + '\n';
    bytes += "title=" + encoded(copy.title) + '\n';
    bytes += "written=" + copy.written.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
    bytes += "length=" + QByteArray::number(body.size()) + '\n';
    bytes += "sha1=" + hashOf(body) + "\n\n";
    bytes += body;

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
    const QByteArray bytes = in.read(kMaxCopySize + 1);
    if (in.error() != QFileDevice::NoError)
        return damaged(in.errorString());
    if (bytes.isEmpty())
        return damaged(QStringLiteral("It is empty."));

    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (!bytes.startsWith(kMagic + '\n') || headerEnd < 0)
        return damaged(QStringLiteral("It is not a recovery copy."));

    RecoveryCopy copy;
    copy.file = file;
    bool havePath = false;
    qint64 length = -1;
    QByteArray sha1;
    const QList<QByteArray> lines = bytes.left(headerEnd).split('\n').mid(1);
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return damaged(QStringLiteral("Its header is damaged."));
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "path") {
            copy.documentPath = decoded(value);
            havePath = true;
        } else if (key == "title") {
            copy.title = decoded(value);
        } else if (key == "written") {
            copy.written = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
        } else if (key == "length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok)
                length = -1;
        } else if (key == "sha1") {
            sha1 = value;
        }
    }
    if (!havePath || !copy.written.isValid() || length < 0 || sha1.isEmpty())
        return damaged(QStringLiteral("Its header is incomplete."));

    const QByteArray body = bytes.mid(headerEnd + 2);
    if (body.size() != length)
        return damaged(QStringLiteral("It holds %1 bytes of text instead of %2.")
                           .arg(body.size())
                           .arg(length));
    if (hashOf(body) != sha1)
        return damaged(QStringLiteral("Its text does not match its checksum."));
    copy.taggedText = QString::fromUtf8(body);
    copy.written = copy.written.toUTC();
    return {copy, {}};
}

QStringList RecoveryStore::files() const
{
    const QDir dir(folder());
    QStringList out;
    const QFileInfoList entries =
        dir.entryInfoList({QStringLiteral("*") + suffix()}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo& info : entries)
        out << info.absoluteFilePath();
    return out;
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
