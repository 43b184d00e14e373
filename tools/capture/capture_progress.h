// The progress bar of the offline renderer, on stderr. It appears only once
// a job has run for more than a second, redraws itself at most ten times a
// second on a terminal and, when stderr is a file or pipe, writes a plain
// line every tenth of the way instead.
#pragma once

// Starts timing a job that ends at demo time endTime.
void StartProgress(const char* what, double startTime, double endTime);

// Reports that the frame at demoTime is done.
void UpdateProgress(double demoTime);

// Wipes the bar from its line, so a message printed next starts on a clean
// line; the bar comes back at the next update.
void ClearProgressLine();

// Ends the bar with a summary line, if it was shown at all.
void FinishProgress();
