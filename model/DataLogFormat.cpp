#include "model/DataLogFormat.h"

#include <cmath>
#include <cstdio>

#include "model/ValueFormat.h"

namespace nolvo {

namespace {

constexpr std::size_t kMaxTimeCell = 40;
constexpr int kBand5 = 1;

std::tm localTime(std::time_t wallClock)
{
    std::tm parts{};
    if (localtime_r(&wallClock, &parts) == nullptr) {
        parts = std::tm{};
        parts.tm_mday = 1; // 1900-01-01 rather than a day 0
    }
    return parts;
}

// Appends "%.*f" of `value` to `out`.
void appendNumber(std::string& out, double value, int decimals)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// The frequency lines are fixed texts, built once.
std::string buildFrequencyLine(int count, double first, double spacing, int decimals, bool blank)
{
    std::string line = "Freq (MHz):,";
    if (blank) {
        line += ' ';
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            line += ',';
        }
        appendNumber(line, first + i * spacing, decimals);
    }
    line += '\n';
    return line;
}

const std::string& frequencyLine(int modelCode, int band)
{
    static const std::string none;
    static const std::string gen1 = buildFrequencyLine(96, 2400.0, 1.0, 0, true);
    static const std::string gen2 = buildFrequencyLine(245, 2400.0, 100.0 / 255.0, 1, false);
    static const std::string band5 = buildFrequencyLine(512, 5145.0, 715.0 / 511.0, 1, true);
    switch (dataLogFrequencyCount(modelCode, band)) {
    case 96:
        return gen1;
    case 245:
        return gen2;
    case 512:
        return band5;
    default:
        return none;
    }
}

} // namespace

int dataLogFrequencyCount(int modelCode, int band)
{
    if (band == kBand5) {
        return 512;
    }
    switch (modelCode) {
    case 2:
        return 96;
    case 6:
    case 7:
        return 245;
    default:
        return -1;
    }
}

std::string dataLogScaleLine(const DataLogContext& context)
{
    if (!context.powerMode) {
        return "Spectrum Mode :: Frequency: MHz :: Amplitude: dBm\n";
    }
    const float timePerDivision = std::isfinite(context.timePerDivision) ? context.timePerDivision : 0.0f;
    const float amplitudePerDivision = (context.amplitudeTop - context.amplitudeBottom) * 0.125f;
    return "time:," + formatSI(timePerDivision, 0) + ",s/div," + " Power:," + formatSI(amplitudePerDivision, 2) +
           ",dBm/div,\n";
}

std::string dataLogHeader(const DataLogContext& context, bool includeScaleLine)
{
    std::string header = context.powerMode ? "Power\n" : "Spectrum\n";
    if (includeScaleLine) {
        header += dataLogScaleLine(context);
    }
    if (!context.powerMode) {
        header += frequencyLine(context.modelCode, context.band);
    }
    return header;
}

std::string dataLogTime(bool absolute, std::uint64_t offsetMs, std::time_t wallClock, std::uint64_t nowMs,
                        std::uint64_t& startMs)
{
    char buffer[96];
    int n = 0;
    if (absolute) {
        const std::tm parts = localTime(wallClock);
        n = std::snprintf(buffer, sizeof buffer, "%d-%.2d-%.2d %.2d:%.2d:%.2d.000,", parts.tm_year + 1900,
                          parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    } else {
        if (startMs == 0) {
            startMs = nowMs;
        }
        const std::uint64_t elapsed = nowMs >= startMs ? nowMs - startMs : 0;
        const double seconds = static_cast<double>(elapsed + offsetMs) / 1000.0;
        n = std::snprintf(buffer, sizeof buffer, "%0.3f,", seconds);
    }
    if (n < 0 || static_cast<std::size_t>(n) > kMaxTimeCell) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string dataLogValues(const float* values, int count)
{
    if (values == nullptr || count <= 0) {
        return "\n";
    }
    return dataLogRow(values, count, count);
}

std::string dataLogRow(const float* values, int count, int columns)
{
    if (values == nullptr || count < 0) {
        count = 0;
    }
    if (columns < 0) {
        columns = count;
    }
    const int written = count < columns ? count : columns;
    std::string row;
    row.reserve(static_cast<std::size_t>(columns) * 10 + 1);
    for (int i = 0; i < columns; ++i) {
        if (i > 0) {
            row += ',';
        }
        if (i < written) {
            appendNumber(row, static_cast<double>(values[i]), 4);
        }
    }
    row += '\n';
    return row;
}

std::string dataLogBaseName(std::time_t wallClock)
{
    const std::tm parts = localTime(wallClock);
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "Nolvo_%d%.2d%.2d_%.2d%.2d%.2d", parts.tm_year + 1900,
                                parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return "Nolvo_log";
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

} // namespace nolvo
