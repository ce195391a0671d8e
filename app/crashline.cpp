#include "crashline.h"

#include "crashfiles.h"

void CrashLine::add(const char *text, std::size_t length)
{
    for (std::size_t at = 0; at < length && m_length < sizeof m_text; ++at)
        m_text[m_length++] = text[at];
}

void CrashLine::add(const char *text)
{
    while (*text != '\0')
        add(text++, 1);
}

void CrashLine::addNumber(std::uint64_t value, unsigned base)
{
    char digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    if (base == 16)
        add("0x");
    while (count > 0)
        add(&digits[--count], 1);
}

void CrashLine::addTime(std::int64_t secondsSinceEpoch)
{
    char time[CrashFiles::TimeLength];
    CrashFiles::writeTime(secondsSinceEpoch, time);
    add(time, sizeof time);
}
