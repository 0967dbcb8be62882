#pragma once
// Working-set trimming: when the user switches to another application, the
// program has empty.exe (written into the Windows folder when missing) take its
// pages out of its working set.
#include <windows.h>

namespace ornivex {

// Makes sure empty.exe is in the folder "windir" names, runs it with this
// process's id, hidden, and waits for it to end. Every failure is silent.
void TrimWorkingSet();

// TrimWorkingSet as a thread's start routine: nothing thrown on that thread
// escapes it to end the program.
DWORD WINAPI TrimWorkingSetThread(void* unused);

}  // namespace ornivex
