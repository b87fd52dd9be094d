#pragma once
// Why the utilization table proposes what it proposes for a selected access point: its grade and
// the parts the grade is made of, the score of every channel the last utilization pass compared,
// and which channel won and by how much. Everything comes from the numbers that pass stored with
// the access point; nothing is recomputed here.

#include <string>
#include <vector>

#include "tables/AccessPointSnapshot.h"

namespace nolvo {

struct CandidateLine {
    int channel = 0;
    float score = 0.0f;    // the grade the access point would get there
    float weighted = 0.0f; // score x the channel weight (0.75 off channels 1, 6 and 11)
    bool winner = false;
};

struct ProposalExplanation {
    std::string title;                 // "<SSID> on channel 3"
    std::vector<std::string> gradeLines; // grade, signal, utilization, co-channel, adjacent
    float current = 0.0f;              // the grade weighted for its own channel
    std::vector<CandidateLine> candidates;
    int winner = 0;                    // 0: no channel beat the current score
    float marginOverCurrent = 0.0f;
    float marginOverRunnerUp = 0.0f;   // the winner's weighted score minus the next best
    std::string verdict;               // one sentence: what the pass decided
    bool compared = false;             // false before the first pass with this access point selected

    // All of it as the popover's lines.
    std::vector<std::string> lines() const;
};

ProposalExplanation explainProposal(const AccessPointRow& row);

} // namespace nolvo
