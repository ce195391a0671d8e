#include "journal.h"

#include <chrono>
#include <cstdio>
#include <fstream>

namespace {
std::string escaped(const std::string &line)
{
    std::string text;
    text.reserve(line.size() + 1);
    for (const char character : line) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte == 0x7f || byte == '\\') {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            text += code;
        } else {
            text += character;
        }
    }
    return text;
}
} // namespace

void Journal::setPath(const std::string &path)
{
    const std::lock_guard lock(m_mutex);
    m_path = path;
}

void Journal::setClock(bool on)
{
    const std::lock_guard lock(m_mutex);
    m_clock = on;
}

void Journal::write(const std::string &line)
{
    // Read before the lock and the file are waited for: the time is when the call arrived.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::lock_guard lock(m_mutex);
    if (m_path.empty())
        return;
    std::ofstream file(m_path, std::ios::app | std::ios::binary);
    if (m_clock)
        file << std::chrono::duration_cast<std::chrono::microseconds>(now).count() << ' ';
    file << escaped(line) << '\n';
}
