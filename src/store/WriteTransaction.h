#pragma once

class Engine;

// A short write transaction that takes the write lock at its start (or a savepoint inside
// one already open). Rolled back unless committed.
class WriteTransaction {
public:
    enum class Nesting {
        Savepoint, // inside another transaction, a savepoint that can be undone on its own
        Join       // inside another transaction, part of it: the caller undoes a failure
    };
    explicit WriteTransaction(Engine &engine, Nesting nesting = Nesting::Savepoint);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    void commit();

private:
    Engine &engine_;
    bool open_ = false; // this object started a transaction or savepoint
};
