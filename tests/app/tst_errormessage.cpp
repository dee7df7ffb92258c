#include "app/errormessage.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

// Runs a check on the next modal box and then presses a key or button in it.
class BoxDriver : public QObject
{
    Q_OBJECT
public:
    QString seenText;
    QString seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QStringList seenButtons;
    bool sawBox = false;

    void arm(std::function<void(QMessageBox *)> act)
    {
        QTimer::singleShot(0, this, [this, act] { poll(act); });
    }

private:
    void poll(std::function<void(QMessageBox *)> act)
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, this, [this, act] { poll(act); });
            return;
        }
        sawBox = true;
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        seenButtons.clear();
        for (QAbstractButton *b : box->buttons())
            seenButtons << b->text();
        act(box);
    }
};

class TestErrorMessage : public QObject
{
    Q_OBJECT

private slots:
    void silentCodesShowNothing_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("success") << 0;
        QTest::newRow("user cancel") << -6;
        QTest::newRow("scan cancelled") << -150;
    }

    void silentCodesShowNothing()
    {
        QFETCH(int, code);
        BoxDriver driver;
        driver.arm([](QMessageBox *box) { box->accept(); });
        QCOMPARE(showErrorCode(nullptr, code, "Information"), 0);
        QTest::qWait(50);
        QVERIFY(!driver.sawBox);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void sharedTexts()
    {
        QCOMPARE(errorText(-21), errorText(-31));
        QCOMPARE(errorText(-209), errorText(-212));
        QCOMPARE(errorText(-208), errorText(-213));
        QVERIFY(errorText(-21) != errorText(-22));
        QCOMPARE(errorText(-22), QString("The machine is busy. Please try again later."));
        QVERIFY(errorText(-20).contains("\n(1) The power cord"));
        QVERIFY(errorText(-4).contains("waking up"));
        QVERIFY(errorText(-7).isEmpty());
        QVERIFY(errorText(7).isEmpty());
        QVERIFY(!isSilentErrorCode(-4));
    }

    void errorBoxShowsCodeText_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("disk full") << -43 << "There is not enough space available on the disk(s) to complete this operation.";
        QTest::newRow("unknown code: an empty box") << -7 << "";
    }

    void errorBoxShowsCodeText()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        BoxDriver driver;
        driver.arm([](QMessageBox *box) { box->buttons().first()->click(); });
        showErrorCode(nullptr, code, "Information");
        QVERIFY(driver.sawBox);
        QCOMPARE(driver.seenTitle, QString("Information"));
        QCOMPARE(driver.seenIcon, QMessageBox::Critical);
        QCOMPARE(driver.seenText, text);
        QCOMPARE(driver.seenButtons, QStringList() << "OK");
    }

    void warningUsesWarningIcon()
    {
        BoxDriver driver;
        driver.arm([](QMessageBox *box) { box->buttons().first()->click(); });
        showWarning(nullptr, "Information", "Please select a machine.");
        QCOMPARE(driver.seenIcon, QMessageBox::Warning);
        QCOMPARE(driver.seenText, QString("Please select a machine."));
    }

    void enterTakesDefault_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton"); // what Enter answers
        QTest::newRow("yes/no, no default") << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No);
        QTest::newRow("yes/no, yes default") << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes);
        QTest::newRow("ok/cancel, cancel default") << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Cancel);
        QTest::newRow("ok/cancel, ok default") << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok);
    }

    void enterTakesDefault()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        BoxDriver driver;
        driver.arm([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
        const int result = askQuestion(nullptr, "Information", "Replace?", QMessageBox::StandardButtons(buttons),
                                       QMessageBox::StandardButton(defaultButton));
        QCOMPARE(result, defaultButton);
        QCOMPARE(driver.seenIcon, QMessageBox::Question);
    }

    void yesNoClosedOtherwiseIsCancel_data()
    {
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("how"); // 0 Escape, 1 the window's close button, 2 Enter, then Escape
        QTest::newRow("escape, yes default") << int(QMessageBox::Yes) << 0;
        QTest::newRow("escape, no default") << int(QMessageBox::No) << 0;
        QTest::newRow("close button") << int(QMessageBox::No) << 1;
        QTest::newRow("enter without a default") << int(QMessageBox::NoButton) << 2;
    }

    void yesNoClosedOtherwiseIsCancel()
    {
        QFETCH(int, defaultButton);
        QFETCH(int, how);
        BoxDriver driver;
        bool stillOpenAfterEnter = false;
        driver.arm([&](QMessageBox *box) {
            if (how == 1) {
                box->close();
                return;
            }
            if (how == 2) {
                QTest::keyClick(box, Qt::Key_Return);
                stillOpenAfterEnter = box->isVisible();
            }
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const int result = askQuestion(nullptr, "Information", "Replace?", QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::StandardButton(defaultButton));
        QCOMPARE(driver.seenButtons, QStringList() << "&Yes"
                                                   << "&No");
        QCOMPARE(result, int(QMessageBox::Cancel));
        if (how == 2)
            QVERIFY(stillOpenAfterEnter);
    }

    void pressedButtonWins()
    {
        BoxDriver driver;
        driver.arm([](QMessageBox *box) {
            for (QAbstractButton *b : box->buttons())
                if (b->text() == "&No")
                    b->click();
        });
        QCOMPARE(askQuestion(nullptr, "Information", "Sure?", QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
                 int(QMessageBox::No));
    }
};

QTEST_MAIN(TestErrorMessage)
#include "tst_errormessage.moc"
