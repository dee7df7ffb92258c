#include "app/logger.h"

#include "app/redact.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>

namespace {
const char kLogFileName[] = "lumerithlog.txt";

struct LoggerState
{
    int mode = 0;
    bool verbose = false;
    int outputInfo = 0;
    QString path = QString::fromLatin1(kLogFileName);
};

LoggerState &state()
{
    static LoggerState s;
    return s;
}

QMutex &writeMutex()
{
    static QMutex m; // created on first use; thread-safe since C++11
    return m;
}
} // namespace

Logger::~Logger()
{
    qInstallMessageHandler(nullptr);
}

void Logger::init(int mode, int outputInfo, bool verbose)
{
    LoggerState &s = state();
    s.mode = mode;
    s.outputInfo = outputInfo;
    s.verbose = verbose;
    if (mode == 1) {
        qInstallMessageHandler(nullptr);
        return;
    }
    if (mode == 2)
        s.path = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/" + kLogFileName;
    qInstallMessageHandler(&Logger::handler);
}

QString Logger::logFilePath()
{
    return state().path;
}

void Logger::handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const LoggerState &s = state();
    if (s.mode != 2)
        return;
    if (type == QtInfoMsg && s.outputInfo != 1)
        return;

    // Round trip through the local 8-bit encoding, as the file is meant to be read there.
    // Secrets are cut out here too, whatever a call site forgot.
    const QString message = redactSecrets(QString::fromUtf8(text.toLocal8Bit()));
    QString line;
    if (s.verbose) {
        line = QString::fromUtf8(context.file ? context.file : "") + "(" + QString::number(context.line) + ") : "
               + QString::fromUtf8(context.function ? context.function : "") + " : " + message + "\n";
    } else {
        line = QString("%1\n").arg(message);
    }

    QMutexLocker lock(&writeMutex());
    QFile file(s.path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QTextStream out(&file);
    out << line;
    out.flush();
    file.close();
}
