#include "store/SearchIndexBuild.h"

#include <map>
#include <mutex>

namespace {
struct Running {
    std::atomic_bool *stop;
    int permille;
};
std::mutex g_lock;
std::uint64_t g_last = 0;
// Every build at hand, oldest first: another connection to the file (a copy being made,
// say) may build too, and the catalogue's own build stays shown and stoppable.
std::map<std::uint64_t, Running> g_running;
} // namespace

SearchIndexBuild::Status SearchIndexBuild::status()
{
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_running.empty())
        return {};
    const Running &first = g_running.begin()->second;
    return {true, *first.stop, first.permille};
}

bool SearchIndexBuild::cancel()
{
    // Under the lock: each flag belongs to an engine, which ends its build before it goes.
    const std::lock_guard<std::mutex> hold(g_lock);
    for (auto &[id, build] : g_running)
        *build.stop = true;
    return !g_running.empty();
}

std::uint64_t SearchIndexBuild::started(std::atomic_bool *stop)
{
    const std::lock_guard<std::mutex> hold(g_lock);
    g_running[++g_last] = Running{stop, 0};
    return g_last;
}

void SearchIndexBuild::progressed(std::uint64_t build, int permille)
{
    const std::lock_guard<std::mutex> hold(g_lock);
    if (auto found = g_running.find(build); found != g_running.end())
        found->second.permille = permille;
}

void SearchIndexBuild::ended(std::uint64_t build)
{
    const std::lock_guard<std::mutex> hold(g_lock);
    g_running.erase(build);
}
