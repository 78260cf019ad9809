#pragma once

#include <string>

#include "capture/RecordingJournal.h"

struct AppState;
class CaptureRecorder;

// What a damaged journal lost, one part per gap, cut end, overflow or repaired header.
std::string JournalLoss(const AppState& app, const JournalContents& contents);
// The question that offers a journal's recording back: its sample count and start time, and
// for a damaged journal what was lost and where the file is kept (keptAs).
std::string JournalQuestion(const AppState& app, const JournalContents& contents,
                            const std::string& keptAs = {});

// At start: a journal left at app.journalPath by a run that did not end cleanly is offered back.
// Yes loads it into recorder as a paused recording (true); No removes it. A journal that lost
// anything is first moved aside (never deleted) and the question says what was lost and where
// it is kept; a file that is no journal is moved aside and the user told; a journal without a
// usable sample is removed (kept aside when damaged) and the user told. Without a user
// interface nothing is touched.
bool OfferRecoveredJournal(AppState& app, CaptureRecorder& recorder);
