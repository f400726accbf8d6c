#pragma once
// The registry of the open prefix in memory: one tree under \Registry, its
// three files, lazy reading of values, and saving changed files back the way
// Wine writes them. Used by winreg.cpp and prefix.cpp only.
#include "platform/prefix.h"
#include "platform/wintypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace platform::registry {

// Names are compared as Wine does: lower-cased UTF-16 units, and on a tie
// the shorter name first. Negative, zero or positive.
int compareNames(QStringView a, QStringView b);

struct Value {
    QString name;  // as first written
    DWORD type = REG_NONE;
    QByteArray data;  // raw bytes; strings are UTF-16LE
};

// One key. Kept small: a prefix has tens of thousands of them. A key read
// from a file leaves its values there and decodes them when asked (a few
// keys' worth stay decoded); a key changed or made here holds its own.
struct Key {
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    // Takes the subtree apart without recursion: a file decides how deep
    // keys nest.
    ~Key();

    QString name;  // as first written
    Key* parent = nullptr;
    std::vector<std::unique_ptr<Key>> children;  // in Wine's order
    std::unique_ptr<std::vector<Value>> own;     // in Wine's order; null: as in the file
    std::unique_ptr<QString> cls;                // null: no class
    quint64 time = 0;  // last write, 100 ns since 1601
    int seg = -1;      // its first block in its file, -1 when it has none
    qint8 hive = -1;   // file that holds the key, -1 for the roots above them
    bool multiSeg = false;
    bool fileValues = false;  // its blocks in the file hold value lines
    bool link = false;
    bool dirty = false;
};

// Loads the three files of `prefixDir` (nothing is written). Replaces any
// registry loaded before.
PrefixError load(const QString& prefixDir);
void unload();
bool isLoaded();
// Bumped by every load and unload, so stale handles can be told apart.
quint32 generation();

// Writes every changed file (atomically), all of them before any replaces
// its old one: when one cannot be written, none is replaced and every
// change stays unsaved. ok when there was nothing to do. Runs even inside
// a batch: it is asked for by name.
PrefixError save();
bool hasUnsavedChanges();

// Batches: while one is open no save is scheduled and a scheduled one does
// not run; ending the outermost saves what changed, once.
void beginBatch();
// Ends one batch: the save's result for the outermost, ok for inner ones.
PrefixError endBatch();
int batchDepth();

// Tells the sentence of a failed save that no caller waits for, in a
// message box of the desktop seam (platform/desktop.h).
void reportError(const QString& message);

// The first loaded file whose bytes on disk are no longer the ones read or
// last saved (or that came or went since); empty when none.
QString fileChangedOnDisk();
// The first file that cannot be written, or whose folder cannot; empty
// when every one can.
QString fileNotWritable();
// Reads the files again when one changed on disk and nothing unsaved is
// held. The registry read before stays in place when the new read fails.
PrefixError reloadIfChangedOnDisk();
// Drops every change not saved yet by reading the files again as they are
// on disk, so that what is held matches what Wine will see. When the files
// cannot be read again the changes stay held and the reason comes back.
PrefixError discardUnsavedChanges();

// A wineserver holds the lock of this prefix.
bool serverRunning(const QString& prefixDir);

// The key a predefined handle stands for, as components under \Registry.
bool predefinedPath(quint32 hkey, QStringList* components);
Key* registryRoot();

// Splits a key path given by a caller: "\" separates, empty parts between
// separators are skipped. False when it begins with "\".
bool splitPath(const QString& path, QStringList* components);

// Walks `components` from `start`, following link keys (at most 16 in a
// chain and 64 in all, with at most 32767 names walked inside their
// targets, so that no file can make one walk long). With `create`,
// missing keys are made (ERROR_ACCESS_DENIED outside the files or in a file
// that cannot be written). `created` tells whether the last one was new.
LONG walk(Key* start, const QStringList& components, bool create, Key** out, bool* created = nullptr);

Key* findChild(Key* parent, const QString& name);
// The reference and pointer stay good until the values of some other keys
// are asked for (a few keys' values are kept decoded) or this key changes.
const std::vector<Value>& values(Key* key);
const Value* findValue(Key* key, const QString& name);
LONG setValue(Key* key, const QString& name, DWORD type, const QByteArray& data);
LONG deleteValue(Key* key, const QString& name);
// Whether changes to this key can be saved.
bool isWritable(const Key* key);

}  // namespace platform::registry
