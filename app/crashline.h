#pragma once

#include <cstddef>
#include <cstdint>

// A line of text in a fixed buffer, built without allocating or locking: the crash handlers'
// only way to write text. What does not fit is cut off.
class CrashLine final
{
public:
    void add(const char *text, std::size_t length);
    // Up to the terminating zero.
    void add(const char *text);
    // Base 10, or 16 with "0x" before it.
    void addNumber(std::uint64_t value, unsigned base);
    // "2026-03-05T14:03:22Z"
    void addTime(std::int64_t secondsSinceEpoch);

    const char *text() const { return m_text; }
    std::size_t length() const { return m_length; }

private:
    char m_text[1024];
    std::size_t m_length = 0;
};
