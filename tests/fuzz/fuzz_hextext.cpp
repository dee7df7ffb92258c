// Hex text, in which the settings file keeps sign-in tokens and folder
// names: fromHexString on any text, and readHexValue on any settings line.
//
// Input: the first byte picks the form; the rest is the text.
#include "app/configfile.h"
#include "fuzz/fuzzdriver.h"

#include <QFile>
#include <QRegularExpression>

namespace {
// What hex text spells, zero bytes included.
QString spelled(const QByteArray &hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return QString::fromUtf8(bytes.constData(), bytes.size());
}
} // namespace

void setUpTarget()
{
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        // Any text: either rejected with nothing out, or the bytes it spells.
        const QString hex = QString::fromUtf8(bytes.constData(), bytes.size());
        QString out = QStringLiteral("x");
        if (fromHexString(hex, out))
            fuzzCheck(out == spelled(hex.toLatin1()), "hex gives the bytes it spells");
        else
            fuzzCheck(out.isEmpty(), "damaged hex gives nothing");
        break;
    }
    case 1: {
        // Any value round-trips.
        const QString value = QString::fromUtf8(bytes.constData(), bytes.size());
        QString out;
        fuzzCheck(fromHexString(toHexString(value), out) && out == value, "a value comes back from its hex");
        break;
    }
    default: {
        // A settings file written by anyone: the value of the key, or nothing.
        // A new name each time: a file rewritten in the same instant with the
        // same size would be read from the settings cache.
        static int generation = 0;
        const QString file = fuzzScratchDir() + QStringLiteral("/hex%1.ini").arg(generation++);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write("[dropbox]\nAccessToken=" + bytes + "\n");
        out.close();
        const QString value = readHexValue(file, QStringLiteral("dropbox/AccessToken"));
        static const QRegularExpression plainHex(QStringLiteral("^([0-9a-fA-F]{2})*$"));
        if (plainHex.match(QString::fromLatin1(bytes.constData(), bytes.size())).hasMatch())
            fuzzCheck(value == spelled(bytes), "a stored value reads back");
        QFile::remove(file);
        break;
    }
    }
    return 0;
}
