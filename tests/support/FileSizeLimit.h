#pragma once
// A full disk for as long as the object lives: no file of this process may
// grow past `bytes` (a file size limit, which holds for root too). Writes
// beyond it fail with EFBIG instead of raising SIGXFSZ.

#include <signal.h>
#include <sys/resource.h>

class TScopedFileSizeLimit {
  public:
    explicit TScopedFileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &oldSignal_);
        getrlimit(RLIMIT_FSIZE, &oldLimit_);
        rlimit small = oldLimit_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &oldLimit_);
        sigaction(SIGXFSZ, &oldSignal_, nullptr);
    }
    TScopedFileSizeLimit(const TScopedFileSizeLimit&) = delete;
    TScopedFileSizeLimit& operator=(const TScopedFileSizeLimit&) = delete;

  private:
    struct sigaction oldSignal_ {};
    rlimit oldLimit_{};
};
