#include "store/ContentHasher.h"

#include <openssl/evp.h>

namespace {
// From this size on the hash runs beside the reads, on a second core.
constexpr qint64 kHashAside = 2 << 20;
} // namespace

ContentHasher::ContentHasher(qint64 expectedBytes) : ctx_(EVP_MD_CTX_new())
{
    const bool background = expectedBytes >= kHashAside;
    EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr);
    // Four blocks keep the reader and the hasher busy at once; one is enough alone.
    for (int i = 0; i < (background ? 4 : 1); ++i) {
        blocks_.emplace_back(new char[kBlock]);
        free_.push_back(blocks_.back().get());
    }
    if (background)
        worker_ = std::thread([this] { run(); });
}

ContentHasher::~ContentHasher()
{
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    EVP_MD_CTX_free(ctx_);
}

void ContentHasher::hash(const char *data, size_t n)
{
    EVP_DigestUpdate(ctx_, data, n);
}

char *ContentHasher::block()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    char *b = free_.back();
    free_.pop_back();
    return b;
}

void ContentHasher::add(char *block, size_t n)
{
    if (!worker_.joinable()) {
        hash(block, n);
        free_.push_back(block);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.emplace_back(block, n);
    }
    changed_.notify_all();
}

void ContentHasher::run()
{
    for (;;) {
        std::pair<char *, size_t> next;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || !queued_.empty(); });
            if (queued_.empty())
                return;
            next = queued_.front();
            queued_.pop_front();
        }
        hash(next.first, next.second);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(next.first);
        }
        changed_.notify_all();
    }
}

QByteArray ContentHasher::hex()
{
    if (worker_.joinable()) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return queued_.empty() && free_.size() == blocks_.size(); });
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx_, digest, &n);
    return QByteArray(reinterpret_cast<const char *>(digest), int(n)).toHex();
}
