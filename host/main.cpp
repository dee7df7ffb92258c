// The host program: loads the user-interface module that lies beside it and
// hands it the command line.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {
std::string programFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer, size_t(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}
} // namespace

int main(int argc, char **argv)
{
    const std::string module = programFolder() + "/libcorvel.so";
    void *handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "lumerith: cannot load %s: %s\n", module.c_str(), dlerror());
        return 1;
    }
    using Entry = int (*)(int, char **);
    auto entry = reinterpret_cast<Entry>(dlsym(handle, "cdrv_main"));
    if (!entry) {
        std::fprintf(stderr, "lumerith: %s has no entry point\n", module.c_str());
        dlclose(handle);
        return 1;
    }
    const int rc = entry(argc, argv);
    dlclose(handle);
    return rc;
}
