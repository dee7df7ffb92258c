#include "cefapphandler.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class TestCefAppHandler : public QObject
{
    Q_OBJECT

private slots:
    void isAQObjectNamedCefAppHandler()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        QCOMPARE(QByteArray(app->metaObject()->className()), QByteArray("CefAppHandler"));
        QObject *object = app.get();
        QCOMPARE(qobject_cast<CefAppHandler *>(object), app.get());
    }

    void handlersAreTheObjectItself()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        CefRefPtr<CefBrowserProcessHandler> browserHandler = app->GetBrowserProcessHandler();
        CefRefPtr<CefRenderProcessHandler> renderHandler = app->GetRenderProcessHandler();
        QCOMPARE(browserHandler.get(), static_cast<CefBrowserProcessHandler *>(app.get()));
        QCOMPARE(renderHandler.get(), static_cast<CefRenderProcessHandler *>(app.get()));

        // A handed-out handler keeps the object alive like any other reference.
        QVERIFY(!app->HasOneRef());
        browserHandler = nullptr;
        renderHandler = nullptr;
        QVERIFY(app->HasOneRef());
    }

    void otherCallbacksKeepTheirDefaults()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        QVERIFY(!app->GetResourceBundleHandler());
        QVERIFY(!app->GetPrintHandler());
        QVERIFY(!app->GetLoadHandler());
        QVERIFY(!app->OnProcessMessageReceived(nullptr, PID_BROWSER, nullptr));
        app->OnContextInitialized();
        QVERIFY(app->HasOneRef());
    }

    void navigationProceedsWithoutCallback()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        for (auto type : {NAVIGATION_LINK_CLICKED, NAVIGATION_FORM_SUBMITTED, NAVIGATION_RELOAD, NAVIGATION_OTHER}) {
            QVERIFY(!app->OnBeforeNavigation(nullptr, nullptr, nullptr, type, false));
            QVERIFY(!app->OnBeforeNavigation(nullptr, nullptr, nullptr, type, true));
        }
    }

    void navigationAsksTheCallback()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        int calls = 0;
        CefRenderProcessHandler::NavigationType seenType = NAVIGATION_OTHER;
        bool seenRedirect = false;
        // Cancels form submissions only, so the answer depends on the arguments.
        app->setBeforeNavigationCallback([&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest>,
                                             CefRenderProcessHandler::NavigationType type, bool isRedirect) {
            ++calls;
            seenType = type;
            seenRedirect = isRedirect;
            return type == NAVIGATION_FORM_SUBMITTED;
        });

        QVERIFY(app->OnBeforeNavigation(nullptr, nullptr, nullptr, NAVIGATION_FORM_SUBMITTED, true));
        QCOMPARE(calls, 1);
        QCOMPARE(seenType, NAVIGATION_FORM_SUBMITTED);
        QVERIFY(seenRedirect);

        QVERIFY(!app->OnBeforeNavigation(nullptr, nullptr, nullptr, NAVIGATION_BACK_FORWARD, false));
        QCOMPARE(calls, 2);
        QCOMPARE(seenType, NAVIGATION_BACK_FORWARD);
        QVERIFY(!seenRedirect);

        // Cleared again: back to letting everything through, without a call.
        app->setBeforeNavigationCallback(nullptr);
        QVERIFY(!app->OnBeforeNavigation(nullptr, nullptr, nullptr, NAVIGATION_FORM_SUBMITTED, false));
        QCOMPARE(calls, 2);
    }

    void lastReleaseDeletes()
    {
        CefAppHandler *app = new CefAppHandler;
        QSignalSpy destroyed(app, &QObject::destroyed);
        app->AddRef();
        {
            CefRefPtr<CefApp> asApp(app);
            CefRefPtr<CefRenderProcessHandler> asRenderHandler(app);
            QVERIFY(!app->HasOneRef());
        }
        QCOMPARE(destroyed.count(), 0);
        QVERIFY(app->HasOneRef());
        QVERIFY(app->HasAtLeastOneRef());

        app->AddRef();
        QVERIFY(!app->Release());
        QCOMPARE(destroyed.count(), 0);
        QVERIFY(app->Release());
        QCOMPARE(destroyed.count(), 1);
    }

    void referencesFromManyThreadsAreCounted()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        QSignalSpy destroyed(app.get(), &QObject::destroyed);
        CefAppHandler *raw = app.get();

        // All threads start together so their updates really interleave.
        std::atomic<bool> go(false);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([raw, &go] {
                while (!go.load())
                    std::this_thread::yield();
                for (int i = 0; i < 500000; ++i) {
                    CefRefPtr<CefApp> copy(raw);
                    CefRefPtr<CefRenderProcessHandler> other(raw);
                }
            });
        }
        go = true;
        for (std::thread &thread : threads)
            thread.join();

        QCOMPARE(destroyed.count(), 0);
        QVERIFY(raw->HasOneRef());
        app = nullptr;
        QCOMPARE(destroyed.count(), 1);
    }

#ifdef LUMERITH_CEF_STANDIN
    // The in-tree runtime keeps the application while it runs and hands the
    // renderer's navigations to the hook.
    void rendererRunConsultsTheHook()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        std::vector<std::string> urls;
        bool heldDuringRun = false;
        app->setBeforeNavigationCallback([&](CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                             CefRefPtr<CefRequest> request, CefRenderProcessHandler::NavigationType,
                                             bool) {
            heldDuringRun = !app->HasOneRef();
            if (!browser || !frame || !request)
                return false;
            urls.push_back(request->GetURL().ToString());
            return true;
        });

        char program[] = "brennic";
        char type[] = "--type=renderer";
        char first[] = "--navigate=https://one.example/";
        char second[] = "--navigate=about:blank";
        char *argv[] = {program, type, first, second, nullptr};
        CefMainArgs args(4, argv);
        QCOMPARE(CefExecuteProcess(args, app.get(), nullptr), 0);
        QCOMPARE(urls, (std::vector<std::string>{"https://one.example/", "about:blank"}));
        QVERIFY(heldDuringRun);
        QVERIFY(app->HasOneRef());
    }

    void browserProcessRunsNothing()
    {
        CefRefPtr<CefAppHandler> app(new CefAppHandler);
        bool called = false;
        app->setBeforeNavigationCallback([&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest>,
                                             CefRenderProcessHandler::NavigationType, bool) {
            called = true;
            return false;
        });
        char program[] = "brennic";
        char navigation[] = "--navigate=https://one.example/";
        char *argv[] = {program, navigation, nullptr};
        CefMainArgs args(2, argv);
        QCOMPARE(CefExecuteProcess(args, app.get(), nullptr), -1);
        QVERIFY(!called);
        QVERIFY(app->HasOneRef());
    }
#endif
};

QTEST_GUILESS_MAIN(TestCefAppHandler)
#include "tst_cefapphandler.moc"
