#pragma once
// Picture files the program writes for itself (a pasted picture, a screen
// capture) so that the chain can send them like a chosen file. They live in
// %TEMP%\Ornivex, named by the date and time they were written, and go when the
// run ends: each is held open from the moment it is written, and the system
// deletes it when it is let go, or when the process ends in any way, killed
// included. What an earlier run could not delete is swept when the program
// starts again.
#include <cstdint>
#include <span>
#include <string>

namespace ornivex {

// Writes a PNG file into %TEMP%\Ornivex under a name of the date and time. Its
// path once the whole file is there, or empty when it cannot be written there
// or the run's pictures have been deleted already (both traced). Any thread.
std::wstring WriteTemporaryPicture(std::span<const std::uint8_t> png);

// Deletes the pictures this run wrote; one that cannot be deleted yet is tried
// again a few times, and kept for the next call. From then on no picture is
// written, until SweepTemporaryPictures starts a run again: a worker still at
// work when the program ends leaves nothing behind. At exit, on the UI thread.
void DeleteTemporaryPictures();

// At start, once the window is up: pictures may be written again, and a worker
// deletes the ones an earlier run left in the folder that are more than a day
// old and that no running copy holds (IsStaleTemporaryPicture), and nothing
// else there.
void SweepTemporaryPictures();

}  // namespace ornivex
