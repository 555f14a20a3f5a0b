#pragma once

#include <atomic>
#include <cstdint>

// The search index being built behind the open catalogue, as the interface shows it: how
// far it is, and a way for the user to stop it (the next open goes on from there).
class SearchIndexBuild {
public:
    struct Status {
        bool running = false;
        bool stopping = false; // asked to stop, finishing the group at hand
        int permille = 0;
    };
    static Status status();
    // Asks the builds at hand to stop after the group each is adding; false when none runs.
    static bool cancel();

    // The builder's side; the oldest build at hand is the one shown.
    static std::uint64_t started(std::atomic_bool *stop);
    static void progressed(std::uint64_t build, int permille);
    static void ended(std::uint64_t build);
};
