#include "simulatorconfig.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

namespace {
constexpr const char *ControlFileName = "MIREL_SIM_CONTROL_FILE";
constexpr std::array<const char *, 12> SettingNames = {
    "MIREL_SIM_DEVICES", "MIREL_SIM_SERIAL", "MIREL_SIM_OPTIONS", "MIREL_SIM_NULL_OPTIONS",
    "MIREL_SIM_CALIBRATION", "MIREL_SIM_CALIBRATION_MS", "MIREL_SIM_LAST_ERROR", "MIREL_SIM_DENSITIES",
    "MIREL_SIM_PRESS_AFTER_MS", "MIREL_SIM_EVENT_BEFORE_PRESS", "MIREL_SIM_JOURNAL",
    "MIREL_SIM_JOURNAL_CLOCK",
};
// More would only be a typo; it also keeps a wild number from exhausting memory.
constexpr int MaximumDevices = 64;
constexpr SimulatorConfig::Densities DefaultDensities = {1.42f, 0.87f, 0.96f, 1.73f};

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// std::from_chars ignores the C locale: the host may have chosen one with a decimal comma.
template<typename Number>
std::optional<Number> parseNumber(std::string_view text)
{
    text = trimmed(text);
    Number value{};
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<int> parseCount(std::string_view text, int maximum)
{
    const auto value = parseNumber<int>(text);
    if (!value || *value < 0 || *value > maximum)
        return std::nullopt;
    return value;
}

bool isSettingName(std::string_view name)
{
    return std::any_of(SettingNames.begin(), SettingNames.end(),
                       [name](const char *known) { return name == known; });
}

void overrideFromControlFile(SimulatorConfig::Settings &settings, const std::string &path)
{
    // A missing file is fine: a test may write it only when it first changes something.
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto separator = line.find('=');
        if (separator == std::string::npos)
            continue;
        const auto name = trimmed(std::string_view(line).substr(0, separator));
        if (isSettingName(name))
            settings.insert_or_assign(std::string(name), line.substr(separator + 1));
    }
}

// "Key=Value;Key=Value". A part without "=" continues the value before it, so that lists
// such as "AvailableMeasurementModes=ReflectanceSpot;EmissionSpot" can be written as they read.
void parseOptions(std::string_view text, SimulatorConfig::Settings &options)
{
    std::string *previousValue = nullptr;
    for (const auto part : split(text, ';')) {
        const auto separator = part.find('=');
        if (separator == std::string_view::npos) {
            if (previousValue && !part.empty())
                previousValue->append(";").append(part);
            continue;
        }
        if (separator == 0)
            continue;
        auto &value = options[std::string(part.substr(0, separator))];
        value = std::string(part.substr(separator + 1));
        previousValue = &value;
    }
}

std::optional<SimulatorConfig::Densities> parseDensities(std::string_view text)
{
    const auto parts = split(text, ',');
    SimulatorConfig::Densities densities = {};
    if (parts.size() != densities.size())
        return std::nullopt;
    for (size_t index = 0; index < parts.size(); ++index) {
        const auto value = parseNumber<float>(parts[index]);
        if (!value)
            return std::nullopt;
        densities[index] = *value;
    }
    return densities;
}
} // namespace

SimulatorConfig::Settings SimulatorConfig::readEnvironment()
{
    Settings environment;
    for (const char *name : SettingNames) {
        if (const char *value = std::getenv(name))
            environment.emplace(name, value);
    }
    if (const char *controlFile = std::getenv(ControlFileName))
        environment.emplace(ControlFileName, controlFile);
    return environment;
}

SimulatorConfig SimulatorConfig::load(const Settings &environment)
{
    Settings settings = environment;
    const auto controlFile = environment.find(ControlFileName);
    if (controlFile != environment.end() && !controlFile->second.empty())
        overrideFromControlFile(settings, controlFile->second);
    return SimulatorConfig(settings);
}

SimulatorConfig::SimulatorConfig(const Settings &settings)
{
    const auto value = [&settings](const char *name) -> std::string_view {
        const auto found = settings.find(name);
        return found == settings.end() ? std::string_view() : std::string_view(found->second);
    };
    const auto orDefault = [](std::string_view text, const char *fallback) {
        return std::string(text.empty() ? fallback : text);
    };

    m_deviceCount = parseCount(value("MIREL_SIM_DEVICES"), MaximumDevices).value_or(1);
    m_options = {
        {"SerialNumber", orDefault(value("MIREL_SIM_SERIAL"), "SIM-104217")},
        {"MeasurementMode", "ReflectanceScan"},
        {"LastError", "NoError"},
        {"AvailableMeasurementModes", "ReflectanceSpot;ReflectanceScan;EmissionSpot"},
    };
    parseOptions(value("MIREL_SIM_OPTIONS"), m_options);

    const auto nulled = value("MIREL_SIM_NULL_OPTIONS");
    m_nullsEveryOption = trimmed(nulled) == "*";
    for (const auto key : split(nulled, ';')) {
        if (!key.empty())
            m_nulledOptions.emplace(key);
    }

    m_calibrationFails = trimmed(value("MIREL_SIM_CALIBRATION")) == "fail";
    m_calibrationError = orDefault(value("MIREL_SIM_LAST_ERROR"), "CalibrationFailed");
    m_calibrationMs = parseCount(value("MIREL_SIM_CALIBRATION_MS"), 24 * 60 * 60 * 1000).value_or(0);
    m_densities = parseDensities(value("MIREL_SIM_DENSITIES")).value_or(DefaultDensities);
    m_pressAfterMs = parseCount(value("MIREL_SIM_PRESS_AFTER_MS"), 24 * 60 * 60 * 1000);
    m_eventBeforePress = parseNumber<int>(value("MIREL_SIM_EVENT_BEFORE_PRESS"));
    m_journalPath = std::string(value("MIREL_SIM_JOURNAL"));
    m_journalClock = trimmed(value("MIREL_SIM_JOURNAL_CLOCK")) == "1";
}

std::optional<std::string> SimulatorConfig::option(const std::string &key, int instrumentNumber) const
{
    const auto found = m_options.find(key);
    if (found == m_options.end())
        return std::nullopt;
    if (key == "SerialNumber" && instrumentNumber > 1)
        return found->second + "-" + std::to_string(instrumentNumber);
    return found->second;
}

bool SimulatorConfig::isNulled(const std::string &key) const
{
    return m_nullsEveryOption || m_nulledOptions.count(key) > 0;
}
