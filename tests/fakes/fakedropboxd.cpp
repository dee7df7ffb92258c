// The fake Dropbox service as a process of its own, so that a benchmark can
// measure the client without the server's memory. Prints the two ports, then
// serves until stdin closes or it is terminated.
#include "fakes/fakedropbox.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"token", "Accepted bearer token.", "token", "fake-token"});
    parser.addOption({"keep-bodies", "Keep uploaded bytes, not only their size and MD5."});
    parser.addOption({"max-request", "Largest request body in bytes.", "bytes", QString::number(150 * 1024 * 1024)});
    parser.addHelpOption();
    parser.process(app);

    FakeDropbox fake;
    fake.setToken(parser.value("token"));
    fake.setKeepBodies(parser.isSet("keep-bodies"));
    fake.setMaxRequestBody(parser.value("max-request").toLongLong());
    if (!fake.start())
        return 1;
    QObject::connect(&fake, &FakeDropbox::requestFinished, &app, [&fake](const QString &, const QString &path, int status) {
        // Committed files are reported so the caller can check them.
        if (path == QLatin1String("/2/files/upload_session/finish") && status == 200) {
            // The file as stored: a commit to a taken name is stored renamed.
            const FakeDropbox::File f = fake.file(fake.lastCommitted());
            std::printf("committed %lld %s\n", static_cast<long long>(f.size), f.md5.toHex().constData());
            std::fflush(stdout);
        }
        fake.clearRequests();
    });
    std::printf("api %u content %u\n", fake.apiPort(), fake.contentPort());
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
