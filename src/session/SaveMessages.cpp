#include "session/SaveMessages.h"

#include "document/Cp1252.h"
#include "document/FileLimits.h"
#include "storage/Storage.h"

namespace session {
namespace {

// The character at `index` as the user sees it (a surrogate pair is one character).
QString characterAt(const std::u16string& text, std::size_t index)
{
    const auto* data = reinterpret_cast<const QChar*>(text.data());
    if (QChar::isHighSurrogate(text[index]) && index + 1 < text.size() &&
        QChar::isLowSurrogate(text[index + 1]))
        return QString(data + index, 2);
    return QString(data[index]);
}

// What a save would lose: every place, the first ten by line and column.
QString unkeepableWarning(const std::u16string& text, const std::vector<skyrend::Unkeepable>& lost)
{
    constexpr std::size_t kListed = 10;
    QString message = QStringLiteral(
        "This text cannot be kept as it is in a help file; when the file is read again:");
    for (std::size_t i = 0; i < lost.size() && i < kListed; ++i) {
        const skyrend::Unkeepable& u = lost[i];
        const skyrend::LineColumn at = skyrend::lineColumnOf(text, u.index);
        const QString what =
            u.kind == skyrend::Unkeepable::DroppedPercent
                ? QStringLiteral("the first \"%\" of \"%%\" is dropped when the file is read")
                : QStringLiteral("\"%%1\" is read as a colour tag").arg(QChar(u.letter));
        message +=
            QStringLiteral("\r\nline %1, column %2: %3").arg(at.line).arg(at.column).arg(what);
    }
    if (lost.size() > kListed)
        message += QStringLiteral("\r\nand %1 more").arg(lost.size() - kListed);
    return message + QStringLiteral("\r\n\r\nSave anyway?");
}

} // namespace

SaveCheck checkSave(const skyrend::ColoredText& doc)
{
    SaveCheck check;
    if (const auto bad = skyrend::firstUnencodableCp1252(doc.text)) {
        const skyrend::LineColumn at = skyrend::lineColumnOf(doc.text, *bad);
        check.unwritable = QStringLiteral("The character '%1' at line %2, column %3 cannot be "
                                          "written to a help file. Nothing was saved.")
                               .arg(characterAt(doc.text, *bad))
                               .arg(at.line)
                               .arg(at.column);
        return check;
    }
    const std::vector<skyrend::Unkeepable> lost = skyrend::findUnkeepables(doc.text);
    if (!lost.empty())
        check.unkeepable = unkeepableWarning(doc.text, lost);
    check.bytes = skyrend::encodeCp1252(skyrend::encodeHelpText(doc));
    return check;
}

QString tooLargeMessage(std::size_t bytes)
{
    const std::size_t mib = 1024 * 1024;
    return QStringLiteral("This document is too large for a help file (%1 MiB; the editor opens "
                          "files of up to %2 MiB). Nothing was saved.")
        .arg((bytes + mib - 1) / mib)
        .arg(skyrend::kMaxHelpFileBytes / mib);
}

QString writeFailedMessage(const QString& path, const storage::WriteResult& result)
{
    QString text = QStringLiteral("Could not save the file.\r\n") + path + QStringLiteral("\r\n") +
                   QString::fromLocal8Bit(result.message.data(), qsizetype(result.message.size()));
    if (result.fileChanged)
        text += QStringLiteral("\r\n\r\nThe file may not hold all of its old text any more. Your "
                               "text is still here, and in the recovery copy: save it again "
                               "once the problem is solved.");
    return text;
}

} // namespace session
