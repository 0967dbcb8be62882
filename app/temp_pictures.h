#pragma once
// Picture files the program writes for itself (a pasted picture, a screen
// capture) so that the chain can send them like a chosen file. They live in
// %TEMP%\Ornivex, named by the date and time they were written, and go when the
// program ends.
#include <cstdint>
#include <span>
#include <string>

namespace ornivex {

// Writes a PNG file into %TEMP%\Ornivex under a name of the date and time,
// atomically. Its path, or empty when it cannot be written there (traced).
// Any thread.
std::wstring WriteTemporaryPicture(std::span<const std::uint8_t> png);

// Deletes the pictures this run wrote. At exit.
void DeleteTemporaryPictures();

}  // namespace ornivex
