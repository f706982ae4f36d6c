#include "cli/interrupt_request.h"

#include <csignal>
#ifndef _WIN32
#include <signal.h>
#endif

#include "capture/input_file.h"

namespace {

volatile std::sig_atomic_t interruptRequested = 0;
volatile std::sig_atomic_t updateRequested = 0;

extern "C" void OnInterrupt(int /*signal*/) {
    interruptRequested = 1;
    CancelBlockingReads();
}

#ifndef _WIN32
extern "C" void OnUpdate(int /*signal*/) {
    updateRequested = 1;
}

// Without SA_RESTART a stop interrupts a read that waits on a silent pipe; an update request
// lets it go on waiting.
void Install(int signal, void (*handler)(int), bool restart) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restart ? SA_RESTART : 0;
    sigaction(signal, &action, nullptr);
}
#endif

}  // namespace

void CatchInterrupts() {
#ifdef _WIN32
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#else
    Install(SIGINT, OnInterrupt, false);
    Install(SIGTERM, OnInterrupt, false);
    Install(SIGHUP, OnUpdate, true);
#endif
}

bool InterruptRequested() {
    return interruptRequested != 0;
}

void SetInterruptRequested(bool requested) {
    interruptRequested = requested ? 1 : 0;
}

bool TakeUpdateRequest() {
    if (updateRequested == 0) {
        return false;
    }
    updateRequested = 0;
    return true;
}
