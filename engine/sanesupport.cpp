#include "sanesupport.h"

#include "enginecodes.h"

#include <QDebug>
#include <QRegularExpression>

namespace {
std::mutex g_refMutex;
int g_refs = 0;
} // namespace

namespace SaneSession {
std::mutex &callMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool acquire()
{
    std::lock_guard<std::mutex> refs(g_refMutex);
    if (g_refs == 0) {
        std::lock_guard<std::mutex> calls(callMutex());
        SANE_Int version = 0;
        const SANE_Status status = sane_init(&version, nullptr);
        if (status != SANE_STATUS_GOOD) {
            qWarning() << "SaneSession::acquire" << "sane_init:" << sane_strstatus(status);
            return false;
        }
        qDebug() << "SaneSession::acquire" << "SANE version:" << SANE_VERSION_MAJOR(version)
                 << SANE_VERSION_MINOR(version) << SANE_VERSION_BUILD(version);
    }
    ++g_refs;
    return true;
}

void release()
{
    std::lock_guard<std::mutex> refs(g_refMutex);
    if (g_refs <= 0)
        return;
    if (--g_refs == 0) {
        std::lock_guard<std::mutex> calls(callMutex());
        sane_exit();
    }
}
} // namespace SaneSession

int engineCodeForSaneStatus(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD:
        return EngineCode::Ok;
    case SANE_STATUS_JAMMED:
        return EngineCode::PaperJam;
    case SANE_STATUS_NO_DOCS:
        return EngineCode::FeederEmpty;
    case SANE_STATUS_DEVICE_BUSY:
        return EngineCode::Busy;
    case SANE_STATUS_IO_ERROR:
        return EngineCode::NotReady;
    case SANE_STATUS_INVAL:
        return EngineCode::BadParameter;
    case SANE_STATUS_NO_MEM:
        return EngineCode::LowMemory;
    case SANE_STATUS_CANCELLED:
        return EngineCode::Cancelled;
    default:
        return EngineCode::Failed;
    }
}

QHostAddress addressInDeviceName(const QString &deviceName)
{
    static const QRegularExpression bracketed(QStringLiteral("\\[([0-9A-Fa-f:.]+)(?:%[^\\]]*)?\\]"));
    static const QRegularExpression dotted(QStringLiteral("(?<![0-9.])((?:[0-9]{1,3}\\.){3}[0-9]{1,3})(?![0-9])"));
    QRegularExpressionMatch m = bracketed.match(deviceName);
    if (m.hasMatch()) {
        QHostAddress address;
        if (address.setAddress(m.captured(1)))
            return address;
    }
    QRegularExpressionMatchIterator it = dotted.globalMatch(deviceName);
    while (it.hasNext()) {
        m = it.next();
        QHostAddress address;
        if (address.setAddress(m.captured(1)) && address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return QHostAddress();
}

qint32 projectIdForDevice(const QString &deviceName)
{
    // FNV-1a over the UTF-8 name: fixed, unlike the library's seeded hashes.
    quint32 hash = 2166136261u;
    for (const char c : deviceName.toUtf8()) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    const qint32 id = qint32(hash & 0x7fffffffu);
    return id == 0 ? 1 : id;
}

QString deviceListEntry(int deviceType, quint8 capabilities, const QString &deviceName, const QString &model)
{
    if (deviceName.isEmpty() || deviceName.contains(QLatin1Char(',')) || deviceName.contains(QLatin1Char(';'))) {
        qDebug() << "deviceListEntry" << "Device name not listable:" << deviceName;
        return QString();
    }
    QString cleanModel = model;
    cleanModel.replace(QLatin1Char(','), QLatin1Char(' ')).replace(QLatin1Char(';'), QLatin1Char(' '));
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(deviceType)
        .arg(int(capabilities))
        .arg(projectIdForDevice(deviceName))
        .arg(deviceName, cleanModel.simplified());
}
