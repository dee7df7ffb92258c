#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

// Answers the modal windows a test opens, one scripted step per window, so
// that no test ever waits on a box. Each time a different modal widget
// comes to the top (a box, or a dialog again after its box closed), the next
// step gets it; windows left alone take no step and hand none on. Actions are queued, so the polling timer is never stuck
// inside a nested event loop. A modal window without a step left is
// counted and rejected.
class ModalDriver : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text;
        QString defaultButton;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    using Step = std::function<void(QWidget *)>;

    ModalDriver()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    void then(Step step) { m_steps.enqueue(std::move(step)); }

    // Modal windows of these classes run by themselves (wait dialogs, a
    // sign-in answered elsewhere): they are recorded but take no step.
    void leaveAlone(const QStringList &classNames) { m_alone = classNames; }

    // Presses the first button of a message box with that role.
    void answerBox(QMessageBox::ButtonRole role)
    {
        then([role](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box) {
                reject(w);
                return;
            }
            for (QAbstractButton *button : box->buttons()) {
                if (box->buttonRole(button) == role) {
                    QTimer::singleShot(0, button, [button] { button->click(); });
                    return;
                }
            }
            reject(w);
        });
    }

    bool finished() const { return m_steps.isEmpty(); }

    QVector<Seen> seen;
    int unexpected = 0;

    static void reject(QWidget *w)
    {
        if (auto *dialog = qobject_cast<QDialog *>(w))
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
    }

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) {
            m_last = nullptr;
            m_lastAlone = nullptr;
            return;
        }
        if (w == m_last || w == m_lastAlone)
            return;
        // A dialog that had its step, back on top after its box with no step
        // left, is closing as the flow answered it; how long it shows is
        // timing. Only one that stays up is unexpected.
        if (m_steps.isEmpty() && m_handled.contains(w)) {
            if (m_returning != w) {
                m_returning = w;
                m_returnedAt.start();
                return;
            }
            if (m_returnedAt.elapsed() < 2000)
                return;
        }

        Seen s;
        s.className = QString::fromLatin1(w->metaObject()->className());
        s.title = w->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            s.text = box->text();
            s.icon = box->icon();
            if (box->defaultButton())
                s.defaultButton = box->defaultButton()->text();
        }
        seen.append(s);
        // A window left alone is not a step, and neither is the dialog under
        // it coming back when it closes (how long it stayed up is timing).
        if (m_alone.contains(s.className)) {
            m_lastAlone = w;
            return;
        }
        m_last = w;

        if (m_steps.isEmpty()) {
            ++unexpected;
            reject(w);
            return;
        }
        m_handled.append(w);
        m_steps.dequeue()(w);
    }

    QTimer m_timer;
    QQueue<Step> m_steps;
    QPointer<QWidget> m_last;
    QPointer<QWidget> m_lastAlone;
    QList<QPointer<QWidget>> m_handled;
    QPointer<QWidget> m_returning;
    QElapsedTimer m_returnedAt;
    QStringList m_alone;
};
