// The ini store on any bytes: what it writes reads back to the same bytes, and a write either raises and changes
// nothing or reads back as written. Input: the file, then optionally NUL, section, NUL, key, NUL, value.
#include "support/Exception.h"
#include "support/IniStore.h"

#include "FuzzSupport.h"

using namespace wl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzz::Bytes(data, size);
    const qsizetype end = input.indexOf('\0');
    TIniStore store;
    store.LoadFromBytes(end < 0 ? input : input.left(end));

    const QByteArray written = store.ToBytes();
    TIniStore reread;
    reread.LoadFromBytes(written);
    if (reread.ToBytes() != written)
        fuzz::Fail("a written store does not read back the same");

    const QStringList sections = store.Sections();
    for (const QString& section : sections.mid(0, 16))
        for (const QString& key : store.Keys(section).mid(0, 16)) {
            if (!store.ValueExists(section, key))
                fuzz::Fail("a listed key does not exist");
            store.ReadInteger(section, key);
            store.ReadFloat(section, key);
        }

    if (end < 0)
        return 0;
    const QList<QByteArray> edit = input.mid(end + 1).split('\0');
    const QString section = QString::fromUtf8(edit.value(0));
    const QString key = QString::fromUtf8(edit.value(1));
    const QString value = QString::fromUtf8(edit.value(2));
    try {
        store.WriteString(section, key, value);
    } catch (const Exception&) {
        if (store.ToBytes() != written)
            fuzz::Fail("a refused write changed the store");
        return 0;
    }
    TIniStore edited;
    edited.LoadFromBytes(store.ToBytes());
    if (edited.ReadString(section, key, QStringLiteral("\n")) != value)
        fuzz::Fail("a written value does not read back");
    return 0;
}
