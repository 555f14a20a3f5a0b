#pragma once

#include <exception>

// Thrown by a test dialog seam in place of ending the process, so the test sees the end.
// Deliberately not an AppError: no window handler may catch it.
class ProcessExit : public std::exception {
public:
    explicit ProcessExit(int code) : code_(code) {}
    int code() const { return code_; }
    const char *what() const noexcept override { return "process exit requested"; }

private:
    int code_;
};
