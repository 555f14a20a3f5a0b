#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct evp_md_ctx_st;

// The SHA-256 of data as it streams past, from the reads that copy it. A long stream is
// hashed on a worker thread, block by block, while the next block is read and written, so
// the hash adds no time to the copy on a machine with a second core.
class ContentHasher {
public:
    static constexpr size_t kBlock = 256 << 10;

    // `expectedBytes` decides whether a worker thread is worth starting.
    explicit ContentHasher(qint64 expectedBytes);
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    // A free block of kBlock bytes to read into; waits while all are being hashed.
    char *block();
    // Hands a filled block back: its first `n` bytes are hashed, in order.
    void add(char *block, size_t n);
    // The digest, lower-case hex, once every block added is hashed.
    QByteArray hex();

private:
    void run();
    void hash(const char *data, size_t n);

    evp_md_ctx_st *ctx_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<char *> free_;
    std::deque<std::pair<char *, size_t>> queued_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread worker_;
};
