#pragma once

class Engine;

// A short write transaction that takes the write lock at its start (or a savepoint inside
// one already open). Rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Engine &engine);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    void commit();

private:
    Engine &engine_;
    bool open_ = false;
};
