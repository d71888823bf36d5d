#pragma once

#include <QString>
#include <functional>

namespace vorna {

// Files of the old engine (Jet, the format of the working databases of the installations on
// Windows), read through libmdb and turned into a database of ours.
class JetFile {
public:
    enum class Format {
        NotJet,   // anything else (one of our own files, or not a database at all)
        Jet3,
        Jet4,
        Unknown,  // the old engine's header with a version we do not read
    };

    // What the file is, by its header (never by its name). A file that cannot be opened is
    // NotJet: whoever opens it next reports that.
    static Format detect(const QString& path);

    // Writes a new database of our own format at `target` (a file that must not exist) with the
    // user tables of the Jet file `jetPath`: the same names, columns, rows and values. Texts keep
    // their accents, Null stays Null; whole numbers, reals, amounts (exact), dates (local
    // "YYYY-MM-DD HH:MM:SS") and Booleans (0/1) are stored as our connection stores them. A
    // counter that is the key becomes our autoincrement key; keys and simple defaults are kept.
    // The Jet file is only read. Throws VbError: err::UnrecognizedDatabase when the file cannot
    // be read in full (damaged, unknown version), err::AccessDenied or err::DatabaseError when
    // the target cannot be written; a target left half written is removed.
    static void convert(const QString& jetPath, const QString& target);

    // Called about every 50 ms while the child works (the caller shows its window and lets the
    // user stop); false stops the conversion as the time limit does.
    using Waiting = std::function<bool()>;

    // convert() in a child process: libmdb may crash, or loop without end, on some damaged files;
    // the program must then still stop with its message. A child that does not end within
    // `timeoutMs`, or that `waiting` stops, is killed. Such a file is damaged
    // (err::UnrecognizedDatabase); the target is then removed. Other outcomes are convert()'s.
    // The child keeps none of the program's open files (its single-instance lock above all) and
    // dies with the program.
    static void convertIsolated(const QString& jetPath, const QString& target, int timeoutMs,
                                const Waiting& waiting = {});

    // The time a sound file of `bytes` may take, far beyond what it takes: 5 s a megabyte, and
    // never under 30 s.
    static int timeLimitMs(qint64 bytes);

    // Test hook: what the child runs in place of convert() (a converter that never ends, for
    // one); unset: convert().
    using Converter = std::function<void(const QString& jetPath, const QString& target)>;
    static void setChildConverter(Converter converter);
};

}  // namespace vorna
