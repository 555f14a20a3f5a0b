#pragma once

// How the process asks the C library for memory, set once at start, before any thread.
class HeapTuning {
public:
    static void apply();
};
