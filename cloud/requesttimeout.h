#pragma once

// Inactivity time-out of every cloud request: two minutes without progress.
constexpr int kCloudRequestTimeoutMs = 120000;

// The time-out in force; kCloudRequestTimeoutMs unless a test shortened it.
int cloudRequestTimeoutMs();

// For tests only: shortens the inactivity time-out while the object lives,
// so that a stalled transfer can be shown to fail within seconds.
class ScopedCloudRequestTimeout
{
public:
    explicit ScopedCloudRequestTimeout(int ms);
    ~ScopedCloudRequestTimeout();

    ScopedCloudRequestTimeout(const ScopedCloudRequestTimeout &) = delete;
    ScopedCloudRequestTimeout &operator=(const ScopedCloudRequestTimeout &) = delete;

private:
    int previous;
};
