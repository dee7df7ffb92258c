// Runs the module as the host program does (its libcorvel.so lies beside
// this program, which is copied into a scratch folder with its own module
// configuration file and translations), and answers commands on stdin from
// a second thread:
//   "show"   --> "window <text of the Scan button>" once the main window is up
//   "exit N" --> the event loop ends with N
// When cdrv_main returns, it prints "returned <code>" and exits with it.
#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {
std::string programFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    const std::string path = n > 0 ? std::string(buffer, size_t(n)) : std::string("./x");
    return path.substr(0, path.rfind('/'));
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void answerCommands()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app) {
            say("none");
            continue;
        }
        if (line == "show") {
            // Queued: answered only once the event loop runs.
            QMetaObject::invokeMethod(app, [] {
                for (QWidget *w : QApplication::topLevelWidgets()) {
                    if (w->inherits("MainWindow") && w->isVisible()) {
                        auto *scan = w->findChild<QPushButton *>(QStringLiteral("pushButtonScan"));
                        say("window " + (scan ? scan->text() : QString()));
                        return;
                    }
                }
                say("no window");
            }, Qt::QueuedConnection);
        } else if (line.rfind("exit ", 0) == 0) {
            const int code = std::stoi(line.substr(5));
            QMetaObject::invokeMethod(app, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
        }
    }
}
} // namespace

int main(int argc, char **argv)
{
    const std::string module = programFolder() + "/libcorvel.so";
    void *handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", module.c_str(), dlerror());
        return 100;
    }
    using Entry = int (*)(int, char **);
    auto entry = reinterpret_cast<Entry>(dlsym(handle, "cdrv_main"));
    if (!entry)
        return 101;
    std::thread(answerCommands).detach();
    const int rc = entry(argc, argv);
    say(QStringLiteral("returned %1").arg(rc));
    return rc;
}
