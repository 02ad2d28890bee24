#pragma once

#include <chrono>
#include <thread>

// Waking a thread that sleeps costs more than copying a small file (on a virtual machine
// it takes an interrupt of another processor), and most waits between the walk and its
// worker last a few microseconds. Such a wait is waited out on the spot for a moment
// first, reading the clock and yielding only every 64 pauses; longer ones sleep.
constexpr std::chrono::microseconds SpinTime{100};

template <typename Ready> inline bool SpinBriefly(Ready ready, std::chrono::microseconds spinTime = SpinTime)
{
    static const bool manyCpus = std::thread::hardware_concurrency() > 1;
    if (!manyCpus) {
        return ready();
    }
    const auto until = std::chrono::steady_clock::now() + spinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready()) {
                return true;
            }
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until) {
            return ready();
        }
        // On a busy machine the thread waited for may need this processor.
        std::this_thread::yield();
    }
}
