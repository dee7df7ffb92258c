#include "app/logger.h"

#include "app/redact.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char kLogFileName[] = "lumerithlog.txt";
// Beyond this the file starts afresh, so a chatty run cannot fill the disk.
constexpr off_t kMaxLogBytes = 10 * 1024 * 1024;

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

// The temporary folder is shared with other users: whatever stands under the
// name may be a link, a second name of another file, a pipe or someone else's
// file. Only a plain file of this user with one name is appended to; it is
// kept readable by its owner only. -1 when the name cannot be used.
int openLogFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        ::close(fd);
        return -1;
    }
    if ((st.st_mode & 07777) != (S_IRUSR | S_IWUSR) && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        ::close(fd);
        return -1;
    }
    if (st.st_size > kMaxLogBytes && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Where another user's file (or a planted one) holds the shared name, this
// user's lines go to a name of their own beside it.
QString perUserPath(const QString &path)
{
    QString other = path;
    const int dot = other.lastIndexOf('.');
    other.insert(dot < 0 ? other.size() : dot, QStringLiteral("-%1").arg(::geteuid()));
    return other;
}

void writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return; // the line is lost; logging never stops the program
        }
        p += n;
        left -= n;
    }
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

QString Logger::perUserLogFilePath()
{
    return perUserPath(state().path);
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
    int fd = openLogFile(s.path);
    if (fd < 0)
        fd = openLogFile(perUserPath(s.path));
    if (fd < 0)
        return;
    writeAll(fd, line.toLocal8Bit());
    ::close(fd);
}
