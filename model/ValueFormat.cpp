#include "model/ValueFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace nolvo {

namespace {

constexpr const char* kMicroSign = "\xC2\xB5"; // U+00B5 MICRO SIGN
constexpr const char* kGreekMu = "\xCE\xBC";   // U+03BC GREEK SMALL LETTER MU
constexpr int kMaxDecimals = 100;

// Scales in double precision, rounds the product to float, then prints "%.*f %s" into a buffer of
// decimals + 50 characters; text that would not fit gives "".
std::string printScaled(float value, double scale, int decimals, const char* prefix)
{
    const auto scaled = static_cast<float>(static_cast<double>(value) * scale);
    std::vector<char> buffer(static_cast<std::size_t>(decimals) + 50);
    const int n = std::snprintf(buffer.data(), buffer.size(), "%.*f %s", decimals, static_cast<double>(scaled), prefix);
    if (n < 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

struct Row {
    double limit;
    double scale;
    const char* prefix;
    int decimals;
};

} // namespace

std::string formatFixed(float value)
{
    char buffer[52];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", 2, static_cast<double>(value));
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string formatSI(float value, int precision)
{
    const int decimals = std::clamp(precision, 0, kMaxDecimals);
    const double a = std::fabs(static_cast<double>(value));
    // The limits sit just below each decade boundary so that 1000 reads "1.00 k", not "1000.00 ".
    static const Row rows[] = {
        {9.999999e-08, 1e9, "n", 0},
        {0.00099999999, 1e6, kMicroSign, 0},
        {0.99999999, 1000.0, "m", 0},
        {999.99999, 1.0, "", 0},
        {999999.99, 0.001, "k", 0},
        {999999990.0, 1e-6, "M", 0},
    };
    if (a == 0.0) {
        return printScaled(value, 1.0, decimals, "");
    }
    for (const Row& row : rows) {
        if (a < row.limit) {
            return printScaled(value, row.scale, decimals, row.prefix);
        }
    }
    return printScaled(value, 1e-9, decimals, "G");
}

std::string formatSIAuto(float value)
{
    const double a = std::fabs(static_cast<double>(value));
    if (a == 0.0) {
        return "0 ";
    }
    static const Row rows[] = {
        {1e8, 1e-6, "M", 0},   {1e7, 1e-6, "M", 1},   {1e6, 1e-6, "M", 2},
        {1e5, 0.001, "k", 0},  {1e4, 0.001, "k", 1},  {1000, 0.001, "k", 2},
        {100, 1.0, "", 0},     {10, 1.0, "", 1},      {1, 1.0, "", 2},
        {0.1, 1000.0, "m", 0}, {0.01, 1000.0, "m", 1}, {0.001, 1000.0, "m", 2},
        {1e-4, 1e6, kGreekMu, 0}, {1e-5, 1e6, kGreekMu, 1}, {1e-6, 1e6, kGreekMu, 2},
        {1e-7, 1e9, "n", 0},   {1e-8, 1e9, "n", 1},   {1e-9, 1e9, "n", 2},
    };
    for (const Row& row : rows) {
        if (a >= row.limit) {
            return printScaled(value, row.scale, row.decimals, row.prefix);
        }
    }
    if (std::isnan(value)) {
        return printScaled(value, 0.0, 0, "");
    }
    // Too small to show: zero, and never "-0" for a tiny negative value.
    return printScaled(0.0f, 1.0, 0, "");
}

} // namespace nolvo
