// The module's one exported function: runs the whole application.
#include "app/configfile.h"
#include "app/globals.h"
#include "app/logger.h"
#include "app/singleapplication.h"
#include "ptessark.h"
#include "ui/mainwindow.h"

#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace {
const char kAppId[] = "quimbel_scanapp";
}

extern "C" __attribute__((visibility("default"))) int cdrv_main(int argc, char **argv)
{
    // The application object keeps a reference to the count.
    int argCount = argc;

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    // The sign-in pages' web view shares its drawing context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto *app = new SingleApplication(QString::fromLatin1(kAppId), argCount, argv);
    if (app->sendMessage(QString::fromLatin1(kAppId), 5000) || app->isRunning()) {
        delete app;
        return 0;
    }
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    const QString appDir = QCoreApplication::applicationDirPath();
    auto *translator = new QTranslator;
    if (translator->load(QLocale::system(), QStringLiteral("corvel"), QStringLiteral("_"), appDir + "/translations",
                         QStringLiteral(".qm")))
        app->installTranslator(translator);

    configFile().init(appDir);
    tessark().initInterface(&configFile());
    if (configFile().nEnableLogFile == 1)
        Logger::init(2, configFile().nOutputMsg, false);
    else
        Logger::init(0, 0, false);

    auto *window = new MainWindow;
    window->show();
    app->setActivationWindow(window, true);

    const int rc = app->exec();

    delete window;
    delete translator;
    delete app;
    return rc;
}
