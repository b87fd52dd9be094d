#include "tables/TableExport.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "model/DataLogFile.h"
#include "model/DataLogFormat.h"
#include "model/Utilization.h"
#include "tables/CellTexts.h"

namespace nolvo {

namespace {

constexpr int kMaxSuffix = 999;

bool startsLikeFormula(std::string_view text)
{
    return !text.empty() && std::strchr("=+-@\t\r", text.front()) != nullptr;
}

std::string number(const char* pattern, double value)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

// Writes all of `text` to a new file `path`, readable by its owner only (an export lists other
// people's networks by BSSID); false (errno set) when the file exists or a write fails.
bool writeNewFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(path.c_str()); // a half-written export is worse than none
            errno = error;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
        return false;
    }
    return ::close(fd) == 0;
}

} // namespace

std::string csvTextCell(std::string_view text)
{
    std::string cell = "\"";
    if (startsLikeFormula(text)) {
        cell += '\'';
    }
    for (char c : text) {
        if (c == '"') {
            cell += "\"\"";
        } else if (c == '\n' || c == '\r') {
            cell += ' '; // one cell stays on one line
        } else {
            cell += c;
        }
    }
    cell += '"';
    return cell;
}

std::string accessPointsCsv(const AccessPointSnapshot& snapshot)
{
    std::string out = "SEC.,MODE,SSID,RSSI (dBm),BSSID,CH.,FREQ (GHz),CNT.,BAND,GRADE %,GRADE,SELECTED,PROPOSED CH.\r\n";
    for (const AccessPointRow& row : snapshot.rows) {
        const bool graded = row.band == 0;
        std::string bssid = cell::bssidText(row.bssid);
        bssid = bssid.substr(1, bssid.size() - 2); // without the brackets
        out += csvTextCell(cell::securityText(row.security));
        out += ',' + csvTextCell(cell::modeText(row.modes));
        out += ',' + csvTextCell(row.ssid);
        out += ',' + (std::isfinite(row.rssi) ? number("%.0f", row.rssi) : std::string());
        out += ',' + bssid;
        out += ',' + csvTextCell(cell::channelText(row));
        out += ',' + cell::frequencyText(row.band, row.channel);
        out += ',' + cell::countText(row.timesSeen);
        out += ',' + std::string(row.band == 1 ? "5GHz" : row.band == 0 ? "2.4GHz" : "");
        out += ',' + (graded ? number("%.0f", Utilization::shownGrade(row.grade)) : std::string());
        out += ',' + std::string(graded ? cell::gradeLetterText(row.grade) : "");
        out += ',' + std::string(row.selected ? "yes" : "no");
        out += ',' + (row.selected && row.proposal ? std::to_string(row.proposal) : std::string());
        out += "\r\n";
    }
    return out;
}

std::string exportBaseName(std::time_t when)
{
    // The data logs' "Nolvo_<date>_<time>" with the table's own prefix.
    const std::string logName = dataLogBaseName(when);
    const std::string prefix = "Nolvo_";
    return "Nolvo_APs_" + (logName.rfind(prefix, 0) == 0 ? logName.substr(prefix.size()) : logName);
}

ExportResult exportAccessPoints(const AccessPointSnapshot& snapshot, std::time_t when, std::string directory)
{
    return exportCsvFile(accessPointsCsv(snapshot), exportBaseName(when), std::move(directory));
}

ExportResult exportCsvFile(const std::string& text, const std::string& baseName, std::string directory)
{
    ExportResult result;
    if (directory.empty()) {
        directory = DataLogFile::getInstance()->writableDirectory();
    }
    if (directory.empty()) {
        result.error = "no writable directory";
        return result;
    }
    if (directory.back() != '/') {
        directory += '/';
    }
    const std::string base = directory + baseName;
    for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
        const std::string candidate = suffix == 1 ? base + ".csv" : base + "_" + std::to_string(suffix) + ".csv";
        if (writeNewFile(candidate, text)) {
            result.ok = true;
            result.path = candidate;
            return result;
        }
        if (errno != EEXIST) {
            result.error = std::strerror(errno);
            return result;
        }
    }
    result.error = "every file name is taken";
    return result;
}

} // namespace nolvo
