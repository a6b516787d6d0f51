// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace talvor {

// What a settings file holds under a section and key.
struct SettingsEntry {
    enum State {
        Missing,    // no such key
        Text,       // a text value
        NotText,    // a hand-written value that is not valid UTF-8, so no text can stand for it
        Unreadable, // a value that does not follow the file's rules, or a file that cannot be read
    };
    // Why an entry is unreadable.
    enum Flaw {
        NoFlaw,
        UnclosedQuote,     // begins with " but does not end with one
        TrailingBackslash, // ends with \, which other INI readers take as "go on in the next line"
        TypeMarker,        // begins with @, as Qt's typed values do (@Variant(...), @Invalid())
        Repeated,          // the key stands more than once in its section
        FileUnreadable,    // the file exists but cannot be read (a folder, no permission)
    };
    State state = Missing;
    // The value; for NotText and Unreadable the bytes after "=" as far as they can be read.
    QString text;
    int line = 0; // 1-based line of the entry in the file; 0 when missing or the file is unreadable
    Flaw flaw = NoFlaw;
};

// Reading and editing a settings file in INI form as bytes, so that an edit changes only the line
// it writes. The rules, the same for every key:
// - "[Name]" starts a section; a line that begins with ; or # is a comment; every other line with
//   an = in it is an entry: the key before the first =, the value after it, both without the
//   blanks and tabs at their ends. Keys and sections are compared as written, case included.
// - A value is used as written: ; and \ in it are plain characters, and no line goes on in the
//   next. A value in double quotes ("/dev/a, b ") is the text between them, blanks included.
// - A value that begins with " and does not end with one, ends with \ or begins with @ cannot be
//   read; neither can a key that stands twice in its section.
namespace inifile {

SettingsEntry read(const QByteArray &file, const QString &section, const QString &key);

// The file with the entry set to `value`: its line changed where the key stands (the first one,
// where it stands more than once: the others go), otherwise a line added at the end of the
// section, or the section added at the end of the file. Every other byte stays. Nothing for a
// value that no line can hold (a line break or a NUL in it).
std::optional<QByteArray> withValue(const QByteArray &file, const QString &section,
                                    const QString &key, const QString &value);

// The file without the entry's lines; every other byte stays.
QByteArray withoutKey(const QByteArray &file, const QString &section, const QString &key);

// The value as it stands after "=": quoted where the rules would otherwise read it otherwise.
QByteArray encodedValue(const QString &value);

} // namespace inifile

} // namespace talvor
