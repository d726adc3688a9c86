// SPDX-License-Identifier: MIT

#include "safety/RecoveryFormat.h"

#include "document/HelpFileReader.h"

#include <QCryptographicHash>
#include <QHash>
#include <QUrl>
#include <QtEndian>

namespace safety::recoveryformat {
namespace {

const QByteArray kMagicTagged = QByteArrayLiteral("Skyrend F1 Editor recovery 1");
const QByteArray kMagic = QByteArrayLiteral("Skyrend F1 Editor recovery 2");
// A run in the body: its length and its colour, four bytes each, little-endian.
constexpr qint64 kRunBytes = 8;

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

Decoded damaged(const QString& why)
{
    return {std::nullopt, why};
}

qint64 numberOr(const QByteArray& value, qint64 fallback)
{
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    return ok && n >= 0 ? n : fallback;
}

void appendLittleEndian(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// The header: its fields, and where the checksum line starts (the checksum covers what comes
// before it and the body).
struct Header {
    QByteArray magic;
    QHash<QByteArray, QByteArray> fields;
    qsizetype sha1LineStart = -1;
    bool sha1IsLast = false;
    bool wellFormed = true;
};

Header parseHeader(const QByteArray& bytes, qsizetype headerEnd)
{
    Header header;
    qsizetype start = 0;
    bool first = true;
    while (start <= headerEnd) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0 || end > headerEnd)
            end = headerEnd;
        const QByteArray line = bytes.mid(start, end - start);
        if (first) {
            header.magic = line;
            first = false;
        } else {
            const qsizetype eq = line.indexOf('=');
            if (eq <= 0) {
                header.wellFormed = false;
                return header;
            }
            const QByteArray key = line.left(eq);
            header.fields.insert(key, line.mid(eq + 1));
            if (key == "sha1")
                header.sha1LineStart = start;
            header.sha1IsLast = key == "sha1";
        }
        start = end + 1;
    }
    return header;
}

std::optional<Decoded> commonFields(const Header& header, RecoveryCopy& copy)
{
    if (!header.fields.contains("path") || !header.fields.contains("written") ||
        !header.fields.contains("length") || !header.fields.contains("sha1"))
        return damaged(QStringLiteral("Its header is incomplete."));
    copy.documentPath = decoded(header.fields.value("path"));
    copy.title = decoded(header.fields.value("title"));
    copy.written = QDateTime::fromString(QString::fromLatin1(header.fields.value("written")),
                                         Qt::ISODateWithMs)
                       .toUTC();
    if (!copy.written.isValid())
        return damaged(QStringLiteral("Its header is incomplete."));
    return std::nullopt;
}

Decoded decodeTagged(const Header& header, const QByteArray& body)
{
    RecoveryCopy copy;
    if (auto error = commonFields(header, copy))
        return *error;
    const qint64 length = numberOr(header.fields.value("length"), -1);
    if (length < 0)
        return damaged(QStringLiteral("Its header is incomplete."));
    if (body.size() != length)
        return damaged(QStringLiteral("It holds %1 bytes of text instead of %2.")
                           .arg(body.size())
                           .arg(length));
    if (hashOf(body) != header.fields.value("sha1"))
        return damaged(QStringLiteral("Its text does not match its checksum."));
    // The tagged text of a save: it reads back as a load of that file shows it.
    const std::u16string tagged = QString::fromUtf8(body).toStdU16String();
    skyrend::HelpFileReader reader{std::u16string_view(tagged)};
    reader.readSome(tagged.size());
    copy.doc = reader.take();
    return {copy, {}};
}

Decoded decodeShown(const Header& header, const QByteArray& bytes, qsizetype bodyStart)
{
    RecoveryCopy copy;
    if (auto error = commonFields(header, copy))
        return *error;
    const qint64 length = numberOr(header.fields.value("length"), -1);
    const qint64 chars = numberOr(header.fields.value("chars"), -1);
    const qint64 runs = numberOr(header.fields.value("runs"), -1);
    if (length < 0 || chars < 0 || runs < 0 || !header.sha1IsLast)
        return damaged(QStringLiteral("Its header is incomplete."));
    const qint64 bodySize = bytes.size() - bodyStart;
    if (bodySize != length)
        return damaged(
            QStringLiteral("It holds %1 bytes instead of %2.").arg(bodySize).arg(length));
    if (chars > length / 2 || runs > length / kRunBytes || chars * 2 + runs * kRunBytes != length)
        return damaged(QStringLiteral("Its header does not match its size."));
    const QByteArray body = bytes.mid(bodyStart);
    if (hashOf(bytes.left(header.sha1LineStart) + body) != header.fields.value("sha1"))
        return damaged(QStringLiteral("Its contents do not match its checksum."));

    const char* data = body.constData();
    copy.doc.text.resize(std::size_t(chars));
    for (qint64 i = 0; i < chars; ++i)
        copy.doc.text[std::size_t(i)] = char16_t(qFromLittleEndian<quint16>(data + 2 * i));
    const char* runData = data + 2 * chars;
    copy.doc.runs.reserve(std::size_t(runs));
    for (qint64 i = 0; i < runs; ++i) {
        const auto runLength = qFromLittleEndian<quint32>(runData + kRunBytes * i);
        const auto color = qFromLittleEndian<quint32>(runData + kRunBytes * i + 4);
        copy.doc.runs.push_back({std::size_t(runLength), skyrend::ColorRef(color)});
    }
    // Written from the window, the runs cover the text exactly; anything else is damage.
    if (!skyrend::hasCanonicalRuns(copy.doc))
        return damaged(QStringLiteral("Its colours do not fit its text."));
    return {copy, {}};
}

} // namespace

QByteArray encode(const RecoveryCopy& copy)
{
    const skyrend::ColoredText& doc = copy.doc;
    QByteArray body;
    body.reserve(qsizetype(doc.text.size() * 2 + doc.runs.size() * kRunBytes));
    for (const char16_t c : doc.text) {
        char bytes[2];
        qToLittleEndian(quint16(c), bytes);
        body.append(bytes, 2);
    }
    for (const skyrend::ColorRun& run : doc.runs) {
        appendLittleEndian(body, quint32(run.length));
        appendLittleEndian(body, quint32(run.color));
    }

    QByteArray bytes = kMagic + '\n';
    bytes += "path=" + encoded(copy.documentPath) + '\n';
    bytes += "title=" + encoded(copy.title) + '\n';
    bytes += "written=" + copy.written.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
    bytes += "chars=" + QByteArray::number(qint64(doc.text.size())) + '\n';
    bytes += "runs=" + QByteArray::number(qint64(doc.runs.size())) + '\n';
    bytes += "length=" + QByteArray::number(body.size()) + '\n';
    bytes += "sha1=" + hashOf(bytes + body) + "\n\n";
    bytes += body;
    return bytes;
}

Decoded decode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return damaged(QStringLiteral("It is empty."));
    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (headerEnd < 0)
        return damaged(QStringLiteral("It is not a recovery copy."));
    const Header header = parseHeader(bytes, headerEnd);
    if (header.magic != kMagic && header.magic != kMagicTagged)
        return damaged(QStringLiteral("It is not a recovery copy."));
    if (!header.wellFormed)
        return damaged(QStringLiteral("Its header is damaged."));
    if (header.magic == kMagicTagged)
        return decodeTagged(header, bytes.mid(headerEnd + 2));
    return decodeShown(header, bytes, headerEnd + 2);
}

} // namespace safety::recoveryformat
