#include "tables/ProposalExplanation.h"

#include <cstdio>

#include "model/Utilization.h"
#include "tables/CellTexts.h"

namespace nolvo {

namespace {

std::string printf1(const char* pattern, double a)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, pattern, a);
    return buffer;
}

std::string printf2(const char* pattern, double a, int b)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, pattern, a, b);
    return buffer;
}

} // namespace

ProposalExplanation explainProposal(const AccessPointRow& row)
{
    ProposalExplanation out;
    const int channel = row.channel;
    out.title = (row.ssid.empty() ? cell::bssidText(row.bssid) : row.ssid) + " on channel " + cell::channelText(row);
    const float grade = Utilization::shownGrade(row.grade);
    out.gradeLines.push_back(printf1("Grade %.1f %%", grade) + " (" + cell::gradeLetterText(row.grade) + ")");
    out.gradeLines.push_back("Signal " + cell::rssiText(row.rssi));
    out.gradeLines.push_back(printf1("Channel utilization %.1f %%", row.utilization));
    out.gradeLines.push_back(printf2("Co-channel interference %.2f (%d access points)", row.coChannelInterference,
                                     static_cast<int>(row.coChannelCount)));
    out.gradeLines.push_back(printf2("Adjacent-channel interference %.2f (%d access points)", row.adjacentInterference,
                                     static_cast<int>(row.adjacentCount)));

    out.current = row.grade * Utilization::channelWeight(channel);
    out.compared = row.candidateMask != 0;
    for (int x = 1; x <= AccessPoint::kChannelCount24; ++x) {
        if (!(row.candidateMask & (1u << (x - 1)))) {
            continue;
        }
        const float score = row.candidateScores[x - 1];
        out.candidates.push_back({x, score, score * Utilization::channelWeight(x), false});
    }
    // The pass stored the best channel only when it reached the current score.
    if (row.bestChannel != 0 && (row.candidateMask & (1u << (row.bestChannel - 1)))) {
        out.winner = row.bestChannel;
    }
    float runnerUp = out.current;
    for (CandidateLine& line : out.candidates) {
        if (line.channel == out.winner) {
            line.winner = true;
        } else if (line.weighted > runnerUp) {
            runnerUp = line.weighted;
        }
    }
    if (!out.compared) {
        out.verdict = "No channels compared yet: a selected access point is compared once 100 sweeps are stored.";
    } else if (out.winner == 0) {
        out.verdict = printf1("No channel reaches the current score %.1f: it stays on channel ", out.current) +
                      std::to_string(channel) + ".";
    } else {
        out.marginOverCurrent = row.bestScore - out.current;
        out.marginOverRunnerUp = row.bestScore - runnerUp;
        out.verdict = "Channel " + std::to_string(out.winner) +
                      printf1(" wins with %.1f: ", row.bestScore) + printf1("%.1f above the current score, ", out.marginOverCurrent) +
                      printf1("%.1f above the next best.", out.marginOverRunnerUp);
    }
    return out;
}

std::vector<std::string> ProposalExplanation::lines() const
{
    std::vector<std::string> all;
    all.push_back(title);
    all.insert(all.end(), gradeLines.begin(), gradeLines.end());
    if (compared) {
        all.push_back(printf1("Current score %.1f (off channels 1, 6 and 11 a score counts x0.75)", current));
        std::string scores = "Scores:";
        int onLine = 0;
        for (const CandidateLine& line : candidates) {
            if (onLine == 4) {
                all.push_back(scores);
                scores = "       ";
                onLine = 0;
            }
            scores += "  ch " + std::to_string(line.channel) + printf1(" %.1f", line.weighted) + (line.winner ? "*" : "");
            ++onLine;
        }
        all.push_back(scores);
    }
    all.push_back(verdict);
    return all;
}

} // namespace nolvo
