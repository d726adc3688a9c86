// SPDX-License-Identifier: MIT

#include "files/IniFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <utility>
#include <vector>

namespace skyrend {
namespace {

// Far beyond any settings file this program writes. A larger file is not ours, and reading it
// whole could exhaust memory; it reads as empty and is never overwritten.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

constexpr QByteArrayView Bom("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool isAscii(QByteArrayView text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// A section or key name as asked for, ready to be compared with the names in the file.
class Name {
public:
    explicit Name(const QString& text)
        : m_text(text), m_bytes(QFile::encodeName(text)), m_ascii(isAscii(m_bytes))
    {
    }

    bool matches(QByteArrayView stored) const
    {
        // Nearly every name is ASCII; decoding each line of a large file would cost more than
        // the rest of the scan.
        if (m_ascii && isAscii(stored)) {
            if (stored.size() != m_bytes.size())
                return false;
            for (qsizetype i = 0; i < stored.size(); ++i) {
                if (asciiLower(stored[i]) != asciiLower(m_bytes[i]))
                    return false;
            }
            return true;
        }
        return QFile::decodeName(stored.toByteArray()).compare(m_text, Qt::CaseInsensitive) == 0;
    }

private:
    QString m_text;
    QByteArray m_bytes;
    bool m_ascii;
};

struct Line {
    qsizetype begin = 0; // first byte of the text
    qsizetype end = 0;   // one past the text, before the CR LF or LF
    qsizetype next = 0;  // first byte of the following line
};

// Calls visit(line) for each line, in order, until it returns false. Only LF ends a line, so a
// stray CR or any other byte is just part of a line's text.
template <typename Visit> void forEachLine(const QByteArray& data, Visit&& visit)
{
    qsizetype pos = data.startsWith(Bom) ? Bom.size() : 0;
    while (pos < data.size()) {
        Line line{pos, data.size(), data.size()};
        const qsizetype lf = data.indexOf('\n', pos);
        if (lf >= 0) {
            line.end = (lf > pos && data[lf - 1] == '\r') ? lf - 1 : lf;
            line.next = lf + 1;
        }
        if (!visit(line))
            return;
        pos = line.next;
    }
}

enum class Kind { Blank, Comment, Header, Entry, Other };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArrayView name;      // the section of a header, the key of an entry
    qsizetype valueBegin = 0; // entries: offset of the value in the data, past leading blanks
};

Parsed parse(const QByteArray& data, const Line& line)
{
    qsizetype begin = line.begin;
    while (begin < line.end && isBlank(data[begin]))
        ++begin;
    const QByteArrayView text(data.constData() + begin, line.end - begin);
    if (text.isEmpty())
        return {Kind::Blank, {}, 0};
    if (text.front() == ';' || text.front() == '#')
        return {Kind::Comment, {}, 0};
    if (text.front() == '[') {
        // Anything after the "]" is ignored; a "[" without one is just an odd line.
        const qsizetype close = text.indexOf(']');
        if (close > 0)
            return {Kind::Header, trimmed(text.sliced(1, close - 1)), 0};
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return {Kind::Other, {}, 0};
    qsizetype value = begin + equals + 1;
    while (value < line.end && isBlank(data[value]))
        ++value;
    return {Kind::Entry, trimmed(text.first(equals)), value};
}

// Added lines follow the file's own line breaks (the first one decides), so a CR LF file stays
// CR LF. A new file gets LF, the platform's own: only this program reads it.
QByteArray lineBreakOf(const QByteArray& data)
{
    const qsizetype lf = data.indexOf('\n');
    return (lf > 0 && data[lf - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");
}

using Range = std::pair<qsizetype, qsizetype>; // [first, second)

// One pass, so that deleting many duplicate lines of a large file stays linear.
QByteArray withoutRanges(const QByteArray& data, const std::vector<Range>& ranges)
{
    QByteArray result;
    result.reserve(data.size());
    qsizetype kept = 0;
    for (const auto& [first, last] : ranges) {
        result.append(QByteArrayView(data).sliced(kept, first - kept));
        kept = last;
    }
    result.append(QByteArrayView(data).sliced(kept));
    return result;
}

// Names and values that would not read back as they were written are refused rather than
// stored wrongly: the reader trims names and cuts lines at line breaks, and the encoding must
// hold every character.
bool roundTrips(const QString& text)
{
    return QFile::decodeName(QFile::encodeName(text)) == text;
}

bool isStorableText(const QString& text)
{
    return !text.contains(u'\n') && !text.contains(u'\r') && roundTrips(text);
}

bool isStorableName(const QString& name)
{
    return !name.isEmpty() && !isBlank(name.front()) && !isBlank(name.back()) &&
           isStorableText(name);
}

bool isSectionName(const QString& name)
{
    return isStorableName(name) && !name.contains(u']');
}

bool isKeyName(const QString& name)
{
    // A leading ";", "#" or "[" would make the line a comment or a section header.
    return isStorableName(name) && !name.contains(u'=') && !name.startsWith(u';') &&
           !name.startsWith(u'#') && !name.startsWith(u'[');
}

} // namespace

IniFile IniFile::load(const QString& file)
{
    IniFile ini;
    const QFileInfo info(file);
    if (!info.exists())
        return ini;
    // isFile() also keeps out devices and pipes, which could block or never end.
    QFile in(file);
    if (!info.isFile() || info.size() > MaxFileSize || !in.open(QIODevice::ReadOnly)) {
        ini.m_valid = false;
        return ini;
    }
    // What the size says and a byte more, then on while the file grows after the size check,
    // up to the limit and a byte: one read of the whole limit would allocate all of it.
    QByteArray data = in.read(info.size() + 1);
    while (in.error() == QFileDevice::NoError && data.size() <= MaxFileSize) {
        const QByteArray more = in.read(std::min<qint64>(1 << 16, MaxFileSize + 1 - data.size()));
        if (more.isEmpty())
            break;
        data += more;
    }
    if (in.error() != QFileDevice::NoError || data.size() > MaxFileSize) {
        ini.m_valid = false;
        return ini;
    }
    ini.m_data = std::move(data);
    return ini;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    if (!isSectionName(section) || !isKeyName(key))
        return {};
    const Name sectionName(section);
    const Name keyName(key);
    bool inSection = false;
    QString result;
    forEachLine(m_data, [&](const Line& line) {
        const Parsed parsed = parse(m_data, line);
        if (parsed.kind == Kind::Header) {
            inSection = sectionName.matches(parsed.name);
        } else if (inSection && parsed.kind == Kind::Entry && keyName.matches(parsed.name)) {
            const QByteArrayView raw(m_data.constData() + parsed.valueBegin,
                                     line.end - parsed.valueBegin);
            result = QFile::decodeName(trimmed(raw).toByteArray());
            return false;
        }
        return true;
    });
    return result;
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    if (!isSectionName(section) || !isKeyName(key) || !isStorableText(value))
        return false;
    const Name sectionName(section);
    const Name keyName(key);
    const QByteArray bytes = QFile::encodeName(value);

    bool inSection = false;
    bool inFirstSection = false;
    qsizetype insertAt = -1; // end of the first section of that name, once seen
    Range oldValue{-1, -1};
    forEachLine(m_data, [&](const Line& line) {
        const Parsed parsed = parse(m_data, line);
        switch (parsed.kind) {
        case Kind::Header:
            inSection = sectionName.matches(parsed.name);
            inFirstSection = inSection && insertAt < 0;
            if (inFirstSection)
                insertAt = line.next;
            break;
        case Kind::Entry:
            if (inSection && keyName.matches(parsed.name)) {
                oldValue = {parsed.valueBegin, line.end};
                return false;
            }
            [[fallthrough]];
        case Kind::Other:
            // Blank lines and comments after the last entry stay with what follows them.
            if (inFirstSection)
                insertAt = line.next;
            break;
        case Kind::Blank:
        case Kind::Comment:
            break;
        }
        return true;
    });

    if (oldValue.first >= 0) {
        const qsizetype length = oldValue.second - oldValue.first;
        if (QByteArrayView(m_data).sliced(oldValue.first, length) != bytes) {
            m_data.replace(oldValue.first, length, bytes);
            m_modified = true;
        }
        return true;
    }

    const QByteArray lineBreak = lineBreakOf(m_data);
    const qsizetype at = insertAt < 0 ? m_data.size() : insertAt;
    const qsizetype textBegin = m_data.startsWith(Bom) ? Bom.size() : 0;
    QByteArray added;
    if (at > textBegin && m_data[at - 1] != '\n')
        added += lineBreak; // the last line had none
    if (insertAt < 0)
        added += '[' + QFile::encodeName(section) + ']' + lineBreak;
    added += QFile::encodeName(key) + '=' + bytes + lineBreak;
    m_data.insert(at, added);
    m_modified = true;
    return true;
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    if (!isSectionName(section) || !isKeyName(key))
        return false;
    const Name sectionName(section);
    const Name keyName(key);
    bool inSection = false;
    std::vector<Range> lines;
    forEachLine(m_data, [&](const Line& line) {
        const Parsed parsed = parse(m_data, line);
        if (parsed.kind == Kind::Header)
            inSection = sectionName.matches(parsed.name);
        else if (inSection && parsed.kind == Kind::Entry && keyName.matches(parsed.name))
            lines.emplace_back(line.begin, line.next);
        return true;
    });
    if (!lines.empty()) {
        m_data = withoutRanges(m_data, lines);
        m_modified = true;
    }
    return true;
}

bool IniFile::removeSection(const QString& section)
{
    if (!isSectionName(section))
        return false;
    const Name sectionName(section);
    bool inSection = false;
    std::vector<Range> sections;
    forEachLine(m_data, [&](const Line& line) {
        const Parsed parsed = parse(m_data, line);
        if (parsed.kind == Kind::Header) {
            inSection = sectionName.matches(parsed.name);
            if (inSection)
                sections.emplace_back(line.begin, line.next);
        } else if (inSection && (parsed.kind == Kind::Entry || parsed.kind == Kind::Other)) {
            // Blank lines and comments after the last entry may belong to the next section.
            sections.back().second = line.next;
        }
        return true;
    });
    if (!sections.empty()) {
        m_data = withoutRanges(m_data, sections);
        m_modified = true;
    }
    return true;
}

bool IniFile::save(const QString& file) const
{
    if (!m_valid)
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(m_data) != m_data.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QString ReadINI(const QString& section, const QString& key, const QString& file)
{
    return IniFile::load(file).value(section, key);
}

bool WriteINI(const QString& section, const std::optional<QString>& key,
              const std::optional<QString>& value, const QString& file)
{
    IniFile ini = IniFile::load(file);
    if (!ini.isValid())
        return false;
    bool applied = false;
    if (key && value)
        applied = ini.setValue(section, *key, *value);
    else if (key)
        applied = ini.removeKey(section, *key);
    else if (!value)
        applied = ini.removeSection(section);
    // A null key with a value asks for nothing sensible; refusing it loses nothing.
    if (!applied)
        return false;
    // Nothing to change (a value already set, a section already gone): the file already holds
    // the result, and a missing file is not created for a deletion.
    return !ini.isModified() || ini.save(file);
}

} // namespace skyrend
