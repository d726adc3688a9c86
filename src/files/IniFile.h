// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace skyrend {

// config.ini: "[section]" lines and "key=value" lines in the file-name encoding, values stored
// exactly as given (no quoting, no escaping). Section and key names match without regard to
// letter case but are written as given. A change touches only its own line or section; every
// other byte of the file (comments, odd lines, line breaks, a byte-order mark) is kept.

// Value of key in section, or "" when the file, section or key is missing or unreadable.
// Values come back whole, with surrounding spaces and tabs removed.
QString ReadINI(const QString& section, const QString& key, const QString& file);

// Sets key=value in section, creating file and section as needed; an empty value keeps the key
// with nothing after "=". A null key with a null value deletes the whole section, a key with a
// null value deletes that key. Returns true when the file holds the result. A failed write, an
// unreadable file, or a name or value that could not be read back as written (a line break, a
// key with "=", a section with "]", ...) changes nothing and returns false.
bool WriteINI(const QString& section, const std::optional<QString>& key,
              const std::optional<QString>& value, const QString& file);

// The same store for callers that change several keys at once: load, change, save once.
class IniFile {
public:
    IniFile() = default;

    // A missing file gives an empty document. A file that exists but cannot be read (a folder,
    // no permission, too large) gives an empty document that is not valid: saving it would
    // destroy what the file holds, so save() refuses.
    static IniFile load(const QString& file);
    bool isValid() const { return m_valid; }
    // True once a change altered the text; setting a value it already has is no change.
    bool isModified() const { return m_modified; }

    // First occurrence of key among the sections named section, or "".
    QString value(const QString& section, const QString& key) const;
    // These return false, changing nothing, for names or values that could not be read back.
    bool setValue(const QString& section, const QString& key, const QString& value);
    bool removeKey(const QString& section, const QString& key);
    bool removeSection(const QString& section); // every section of that name, with its keys

    // Replaces the file atomically; false, with the file untouched, on any failure.
    bool save(const QString& file) const;

private:
    QByteArray m_data; // the file's bytes, as read
    bool m_valid = true;
    bool m_modified = false;
};

} // namespace skyrend
