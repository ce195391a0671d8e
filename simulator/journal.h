#pragma once

#include <mutex>
#include <string>

// Appends one line per library call to a file, so that end-to-end tests can check which calls
// the program made and in which order. The file is opened for every line and closed again:
// each line is on disk before the call returns, and a test may delete the file between cases.
class Journal final
{
public:
    // An empty path keeps no journal.
    void setPath(const std::string &path);
    // With the clock on, each line starts with the CLOCK_REALTIME microseconds at which the
    // call arrived and a space, so that timings can be set against another wall clock.
    void setClock(bool on);
    // Control characters and backslashes are written as \xNN so that one call stays one line.
    void write(const std::string &line);

private:
    std::mutex m_mutex;
    std::string m_path;
    bool m_clock = false;
};
