#pragma once
// rostelmark-cli propose: an automatic proposal for the empty cells of a month, printed,
// and with --apply written under the person file's lock as the desktop program does.

#include <QByteArray>

class TRoster;
struct TProposal;

// The proposal as text (one tab-separated line per duty: date, employee, duty; then one
// line per day that stays short: "short", date, duty, reason; a summary line first,
// starting with "#") or as a JSON object.
QByteArray ProposalOutput(const TRoster& roster, const TProposal& proposal, bool applied, bool json);
