#pragma once

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>

// What the simulated instruments look like, taken from the MIREL_SIM_* environment variables
// and, line by line over them, from the control file a test may rewrite while it runs.
// A missing, empty or unreadable value means the default.
class SimulatorConfig final
{
public:
    using Densities = std::array<float, 4>;
    using Settings = std::map<std::string, std::string>;

    // The MIREL_SIM_* variables as they are now; read once, when the library is first used.
    static Settings readEnvironment();
    // The given environment, overridden by the control file it names, read again at each call.
    static SimulatorConfig load(const Settings &environment);

    int deviceCount() const { return m_deviceCount; }
    // The configured text of an option of the given instrument (1-based), or nothing for an
    // unknown key. Instrument 1 has the configured serial; further ones add "-<number>".
    std::optional<std::string> option(const std::string &key, int instrumentNumber) const;
    // Keys whose text is null whatever was configured or set, to inject that fault.
    bool isNulled(const std::string &key) const;
    bool calibrationFails() const { return m_calibrationFails; }
    const std::string &calibrationError() const { return m_calibrationError; }
    // How long each calibration blocks its caller before it answers: a slow or stuck instrument.
    int calibrationMs() const { return m_calibrationMs; }
    const Densities &densities() const { return m_densities; }
    std::optional<int> pressAfterMs() const { return m_pressAfterMs; }
    std::optional<int> eventBeforePress() const { return m_eventBeforePress; }
    const std::string &journalPath() const { return m_journalPath; }
    // Whether each journal line starts with the wall-clock time it was written, for timing.
    bool journalClock() const { return m_journalClock; }

private:
    explicit SimulatorConfig(const Settings &settings);

    int m_deviceCount = 1;
    Settings m_options;
    std::set<std::string> m_nulledOptions;
    bool m_nullsEveryOption = false;
    bool m_calibrationFails = false;
    std::string m_calibrationError;
    int m_calibrationMs = 0;
    Densities m_densities = {};
    std::optional<int> m_pressAfterMs;
    std::optional<int> m_eventBeforePress;
    std::string m_journalPath;
    bool m_journalClock = false;
};
