#pragma once

#include <QString>
#include <QtGlobal>

// Where the module's diagnostic output goes: nowhere (0), Qt's default
// output (1) or the log file in the temporary folder (2).
class Logger
{
public:
    Logger() = default;
    ~Logger();

    static void init(int mode, int outputInfo, bool verbose);
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    static QString logFilePath();
    // Where this user's lines go when the shared name cannot be used safely
    // (a link, another user's file): the same name with the user id added.
    static QString perUserLogFilePath();

    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;
};
