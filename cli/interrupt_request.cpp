#include "cli/interrupt_request.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int /*signal*/) {
    interruptRequested = 1;
}

}  // namespace

void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool InterruptRequested() {
    return interruptRequested != 0;
}

void SetInterruptRequested(bool requested) {
    interruptRequested = requested ? 1 : 0;
}
