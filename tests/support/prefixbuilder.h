#pragma once
// A hand-made prefix from keys and values added in code: system.reg,
// user.reg and userdef.reg in Wine's own text format, drive links under
// dosdevices and files on a drive. Keys are written in the order they were
// first added, each as a block of its own (empty ones too), values in the
// order added.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace testenv {

enum class Hive { System, User, UserDefault };

class PrefixBuilder {
public:
    PrefixBuilder();

    // Every key block gets this last-write time (seconds since 1970, also
    // written as its #time line); 1700000000 until set. Applies to the keys
    // added after it.
    PrefixBuilder& keyTime(qint64 seconds);

    // Writes the hive's file even when no key is added to it.
    PrefixBuilder& hive(Hive h);

    // Starts a key (or goes back to one added before); the values below go
    // to it. The path is relative to the hive's root, parts joined by one
    // backslash.
    PrefixBuilder& key(Hive h, const QString& path);
    PrefixBuilder& system(const QString& path) { return key(Hive::System, path); }
    PrefixBuilder& user(const QString& path) { return key(Hive::User, path); }
    PrefixBuilder& userDefault(const QString& path) { return key(Hive::UserDefault, path); }

    // Values of the current key; an empty name is the default value.
    PrefixBuilder& sz(const QString& name, const QString& data);
    PrefixBuilder& expand(const QString& name, const QString& data);
    PrefixBuilder& multi(const QString& name, const QStringList& strings);
    PrefixBuilder& dword(const QString& name, quint32 data);
    PrefixBuilder& binary(const QString& name, const QByteArray& data);
    // Raw bytes under any type number, written hex(type):..
    PrefixBuilder& hex(const QString& name, quint32 type, const QByteArray& data);
    // Makes the current key a link to `target`, an absolute registry path
    // such as \REGISTRY\Machine\Software\Classes.
    PrefixBuilder& link(const QString& target);

    // dosdevices/<name> -> target, e.g. drive("c:", "../drive_c").
    PrefixBuilder& drive(const QString& name, const QString& target);
    // A file below the prefix, e.g. file("drive_c/windows/a.dll").
    PrefixBuilder& file(const QString& relativePath, const QByteArray& bytes = "x");
    // A folder below the prefix, made with its parents.
    PrefixBuilder& folder(const QString& relativePath);

    // The text of one hive's file.
    QByteArray text(Hive h) const;

    // Writes the hives that have keys (or were asked for), the folders,
    // files and links into `dir`. False when anything could not be made.
    bool write(const QString& dir) const;

private:
    struct Key {
        Hive hive;
        QString path;
        qint64 seconds;
        bool isLink = false;
        QList<QByteArray> values;  // whole lines, escaped
    };
    Key& current();
    static QByteArray lead(const QString& name);
    PrefixBuilder& value(const QString& name, const QByteArray& data);
    PrefixBuilder& hexValue(const QString& name, const QByteArray& tag, const QByteArray& data);

    qint64 m_seconds = 1700000000;
    bool m_hives[3] = {false, false, false};
    QList<Key> m_keys;
    int m_current = -1;
    QList<QPair<QString, QString>> m_links;
    QList<QPair<QString, QByteArray>> m_files;
    QStringList m_folders;
};

// Wine's escaping of a string between quotes (value names, string data),
// without the quotes; NULs are written as \0 like any other control.
QByteArray escapeRegString(const QString& s);
// The same for one part of a key path: [ and ] escaped, quotes left alone.
QByteArray escapeRegKeyName(const QString& s);

}  // namespace testenv
