#include "scan/pmessage.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

class TestPMessage : public QObject
{
    Q_OBJECT

private slots:
    void signalOrderIsTheInterface()
    {
        const QMetaObject &mo = PMessage::staticMetaObject;
        const QStringList expected = {
            "finishedSearchScanner()",
            "wakeUpDialog(int,int)",
            "scanningDialog(int,int)",
            "scanningStatus(int,int)",
            "postErrorCode(int)",
            "finishedPage(QString,QString,int,bool)",
            "finishedUploadFiles()",
            "cancelScanningJob()",
        };
        QCOMPARE(mo.methodCount() - mo.methodOffset(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const QMetaMethod m = mo.method(mo.methodOffset() + i);
            QCOMPARE(m.methodType(), QMetaMethod::Signal);
            QCOMPARE(QString::fromLatin1(m.methodSignature()), expected[i]);
        }
        const QMetaMethod page = mo.method(mo.indexOfSignal("finishedPage(QString,QString,int,bool)"));
        QCOMPARE(page.parameterNames(), (QList<QByteArray>{"strFolderId", "strFileName", "nImageType", "bDelete"}));
    }

    void workerEventsArriveQueuedInOrder()
    {
        PMessage hub;
        QList<QPair<int, int>> seen;
        QList<Qt::HANDLE> threads;
        connect(&hub, &PMessage::scanningDialog, this, [&](int status, int pages) {
            seen.append({status, pages});
            threads.append(QThread::currentThreadId());
        });
        QSignalSpy pages(&hub, &PMessage::finishedPage);

        QThread *worker = QThread::create([&hub] {
            for (int page = 1; page <= 3; ++page) {
                emit hub.scanningDialog(0, page);
                emit hub.finishedPage("id", QString("/tmp/page%1.jpg").arg(page), 1, true);
                emit hub.scanningDialog(2, page);
            }
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;

        QTRY_COMPARE(seen.size(), 6);
        const QList<QPair<int, int>> expected = {{0, 1}, {2, 1}, {0, 2}, {2, 2}, {0, 3}, {2, 3}};
        QCOMPARE(seen, expected);
        for (Qt::HANDLE t : threads)
            QCOMPARE(t, QThread::currentThreadId());
        QTRY_COMPARE(pages.size(), 3);
        QCOMPARE(pages.at(2).at(1).toString(), QString("/tmp/page3.jpg"));
        QCOMPARE(pages.at(2).at(3).toBool(), true);
    }

    void queuedCancelRunsAfterTheEmittingSlot()
    {
        PMessage hub;
        QStringList order;
        connect(&hub, &PMessage::cancelScanningJob, this, [&] { order << "cancel"; }, Qt::QueuedConnection);
        emit hub.cancelScanningJob();
        order << "emitter returned";
        QTRY_COMPARE(order, QStringList() << "emitter returned"
                                          << "cancel");
    }
};

QTEST_GUILESS_MAIN(TestPMessage)
#include "tst_pmessage.moc"
