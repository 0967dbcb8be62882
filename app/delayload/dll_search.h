#pragma once
// Where the program's DLLs come from. Windows looks for a DLL loaded by its bare
// name in the program's own folder first: a copy unpacked into Downloads would
// load a winhttp.dll, msimg32.dll or gdiplus.dll that someone left beside it.
// From the moment this runs, a DLL named without a path is taken from System32
// only: the DLLs loaded on first use, GDI+, and whatever they load in turn. A DLL
// of the program's own is loaded by its full path.

namespace ornivex {

// Call first, before anything can load a DLL. Traced when the system cannot do it
// (Windows 7 without its 2011 loader update): then only the current folder is
// taken out of the search.
void LoadDllsFromSystemFolderOnly();

}  // namespace ornivex
