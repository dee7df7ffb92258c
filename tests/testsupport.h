#pragma once

// Helpers the widget and job tests share: the log they capture (from any
// thread), a named child widget, and pressing or leaving widgets from the
// event loop as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <QWidget>

inline QStringList g_log;
inline QMutex g_logMutex;

// Install with qInstallMessageHandler: every line goes into g_log.
inline void captureLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    QMutexLocker lock(&g_logMutex);
    g_log << text;
}

// The captured lines that begin with start.
inline QStringList logLines(const QString &start)
{
    QMutexLocker lock(&g_logMutex);
    QStringList lines;
    for (const QString &line : qAsConst(g_log))
        if (line.startsWith(start))
            lines << line;
    return lines;
}

inline int logCount(const QString &start)
{
    return logLines(start).size();
}

inline bool logged(const QString &line)
{
    QMutexLocker lock(&g_logMutex);
    return g_log.contains(line);
}

// A widget that must be there; a test without it cannot go on.
template <class T>
inline T *child(QObject *window, const char *name)
{
    T *w = window->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// Clicked from the event loop, so that a modal window it opens does not
// block the caller.
inline void click(QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
}

// The files in a folder, hidden ones included, by name.
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A mouse event with the left button held, as a real drag delivers it.
inline void mouse(QWidget *w, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void focusOut(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

inline void selectRow(QComboBox *combo, const QString &textOfRow)
{
    const int row = combo->findText(textOfRow);
    if (row < 0)
        qFatal("no row %s", qPrintable(textOfRow));
    combo->setCurrentIndex(row);
}
