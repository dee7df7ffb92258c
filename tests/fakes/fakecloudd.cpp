// The fake Google and Graph services as a process of their own, so that a
// benchmark can measure the client without the server's memory. Prints the
// base address of each host role on one line, then serves until stdin closes.
// Every finished upload is reported as "stored <size> <md5>".
#include "fakes/fakegoogle.h"
#include "fakes/fakegraph.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"token", "Accepted bearer token.", "token", "fake-token"});
    parser.addPositionalArgument("service", "google or graph");
    parser.addHelpOption();
    parser.process(app);

    FakeGoogle google;
    FakeGraph graph;
    const bool bGoogle = parser.positionalArguments().value(0) == QLatin1String("google");
    FakeHttpService &fake = bGoogle ? static_cast<FakeHttpService &>(google) : graph;
    google.oauth.addTokens(parser.value("token"), "fake-refresh");
    graph.oauth.addTokens(parser.value("token"), "fake-refresh");
    google.setKeepBodies(false);
    graph.setKeepBodies(false);
    if (!(bGoogle ? google.start() : graph.start()))
        return 1;

    QObject::connect(&fake, &FakeHttpService::requestFinished, &app, [&fake]() { fake.clearRequests(); });
    QObject::connect(&fake, &FakeHttpService::fileStored, &app, [](const QString &, qint64 size, const QByteArray &md5) {
        std::printf("stored %lld %s\n", static_cast<long long>(size), md5.toHex().constData());
        std::fflush(stdout);
    });
    if (bGoogle)
        std::printf("accounts %s api %s\n", qPrintable(fake.base("accounts")), qPrintable(fake.base("api")));
    else
        std::printf("login %s graph %s\n", qPrintable(fake.base("login")), qPrintable(fake.base("graph")));
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
