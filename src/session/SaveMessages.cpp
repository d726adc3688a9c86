// SPDX-License-Identifier: MIT

#include "session/SaveMessages.h"

#include "document/FileLimits.h"
#include "document/SavePlan.h"
#include "storage/Storage.h"

namespace session {
namespace {

constexpr std::size_t kListed = 10;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// "line L, column C: what", one line a place, the first ten, then how many more.
QString placeList(const std::vector<const skyrend::SavePlace*>& places)
{
    QString list;
    for (std::size_t i = 0; i < places.size() && i < kListed; ++i)
        list += QStringLiteral("\r\nline %1, column %2: %3")
                    .arg(places[i]->at.line)
                    .arg(places[i]->at.column)
                    .arg(fromUtf8(skyrend::describe(*places[i])));
    if (places.size() > kListed)
        list += QStringLiteral("\r\nand %1 more").arg(places.size() - kListed);
    return list;
}

QString unwritableMessage(const std::u16string& text,
                          const std::vector<const skyrend::SavePlace*>& places)
{
    if (places.size() == 1) {
        const skyrend::SavePlace& place = *places.front();
        const auto* data = reinterpret_cast<const QChar*>(text.data());
        return QStringLiteral("The character '%1' at line %2, column %3 cannot be written to a "
                              "help file. Nothing was saved.")
            .arg(QString(data + place.index, qsizetype(place.length)))
            .arg(place.at.line)
            .arg(place.at.column);
    }
    return QStringLiteral("These characters cannot be written to a help file:") +
           placeList(places) + QStringLiteral("\r\n\r\nNothing was saved.");
}

} // namespace

SaveCheck checkSave(const skyrend::ColoredText& doc)
{
    skyrend::SavePlan plan = skyrend::planSave(doc);
    std::vector<const skyrend::SavePlace*> unwritable;
    std::vector<const skyrend::SavePlace*> unkeepable;
    for (const skyrend::SavePlace& place : plan.places)
        (place.kind == skyrend::SavePlace::Unencodable ? unwritable : unkeepable).push_back(&place);

    SaveCheck check;
    // A character the game's code page has no byte for would turn into something else: that is
    // refused. What the format has no escape for is warned about.
    if (!unwritable.empty())
        check.unwritable = unwritableMessage(doc.text, unwritable);
    if (!unkeepable.empty())
        check.unkeepable = QStringLiteral("This text cannot be kept as it is in a help file; "
                                          "when the file is read again:") +
                           placeList(unkeepable) + QStringLiteral("\r\n\r\nSave anyway?");
    check.bytes = std::move(plan.bytes);
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
