// SANE backends that read in a thread of their own (SANE's thread layer, the
// test device among them) switch that thread to asynchronous cancellation
// and end it with pthread_cancel from sane_cancel, sane_start or sane_close.
// A thread cancelled asynchronously inside the C library's allocator, or
// while it exits after a page, leaves the allocator's lock taken, and the
// whole program then hangs at the next thread that allocates. Here
// asynchronous cancellation is turned into the deferred kind: such a thread
// ends at its next wait (its pipe write, its sleep, its device read), which
// is where it spends its time, and never inside a lock.
//
// Programs that load SANE link this in and export the symbol
// (lumerith_defer_thread_cancel in cmake/DeferredCancel.cmake), so that
// backends loaded later bind to it.
#include <dlfcn.h>
#include <pthread.h>

extern "C" __attribute__((visibility("default"))) int pthread_setcanceltype(int type, int *oldtype)
{
    using Fn = int (*)(int, int *);
    static const Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    if (!next)
        return 0;
    return next(type == PTHREAD_CANCEL_ASYNCHRONOUS ? PTHREAD_CANCEL_DEFERRED : type, oldtype);
}
