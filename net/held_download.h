#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "net/range_rules.h"

// The bytes of the installer that earlier attempts received, kept in a file of their own
// beside the installer (HeldBytesFilePath) so that the next attempt asks only for the
// rest. What they are part of (the address, its validator and total) is kept here, for
// as long as the program runs.
//
// Threading: one lock guards the record and the file. Only the current attempt may add
// to them; one that a newer attempt replaced, or one started after a file was accepted,
// leaves them alone. A stop asked for does not matter here: what arrived whole and
// validated is worth keeping whatever ended the transfer.

// What is held for the installer at `address`, checked against the file; a record of
// another address, or one the file does not bear out, is forgotten (the file deleted).
HeldBytes HeldBytesFor(const std::wstring& address);

// Appends the first `length` bytes of `rangeFile`, the range that starts where the held
// bytes end, of the file of `total` bytes that `validator` names. False, with nothing
// changed, when `attempt` is no longer current or the bytes cannot be written
// (ERROR_DISK_FULL then in GetLastError); false with the held bytes forgotten when their
// file is gone or not as long as recorded (another program deleted or cut it).
bool AppendToHeldBytes(unsigned attempt, const std::wstring& address, const std::wstring& rangeFile,
                       std::uint64_t length, std::uint64_t total, const Validator& validator);

// Makes `file` (a whole file's first `length` bytes, whose total and validator are
// given) the bytes held, replacing whatever was. False when `attempt` is no longer current.
bool HoldPrefix(unsigned attempt, const std::wstring& address, const std::wstring& file,
                std::uint64_t length, std::uint64_t total, const Validator& validator);

// Forgets the held bytes and deletes their file, while `attempt` is current (a replaced
// attempt's answer says nothing of what a newer one holds).
void ForgetHeldBytes(unsigned attempt);

// Moves the held bytes, once they are the whole file, onto the installer working file
// while `attempt` may go on; the record is then empty. Whether it was placed.
bool PlaceHeldBytes(unsigned attempt, const std::wstring& workingFile);

// The length of the next request (NextRangeBytes): carried from one attempt to the next,
// so a link that cuts keeps its ranges short until the file is placed.
std::uint64_t NextRangeLength();
void NoteRangeOutcome(std::uint64_t asked, bool cameWhole);
// Once a whole file is placed: a download after it asks for the whole file first again.
void StartRangesAfresh();

// A range answer could not be spliced onto the bytes held; after a second such answer the
// service's ranges are not used (RangesGivenUp) until a file has been placed.
void NoteAnswerNotSpliced();
bool RangesGivenUp();
