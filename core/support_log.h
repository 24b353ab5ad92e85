#pragma once
#include <cstdint>
#include <string>

// The support log, %TEMP%\Tidewell.log: lines appended by a thread of its own, so that
// the window's thread only ever puts a line in a queue. Nothing about it can fail the
// program: a full queue drops lines (counted, and a note says so), a file that cannot be
// written (locked, a full disk, no temporary folder) is tried again a moment later, and
// at the end the program waits for the last lines only briefly.

// Starts the writer with `firstLine` as the first line of this run. Once per program.
void StartSupportLog(std::string firstLine);

// Queues one line (no line break in it). Does nothing before StartSupportLog or after
// FinishSupportLog. Any thread.
void WriteSupportLog(std::string line);

// Milliseconds since StartSupportLog: the time the lines carry.
std::uint32_t SupportLogTime();

// Lets the writer write what is queued, waiting for it at most about half a second.
void FinishSupportLog();
