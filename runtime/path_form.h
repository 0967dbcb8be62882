#pragma once
// The form in which a path is handed to the file functions. Below a length of
// about MAX_PATH they take a path as the user wrote it; at that length and above
// they refuse it, unless it comes in its extended-length form (\\?\C:\... or
// \\?\UNC\server\share\...), which they pass to the file system as it stands:
// nothing in it is normalised any more. No Windows header: built natively too.
#include <cstddef>
#include <string>
#include <string_view>

namespace ornivex {

// From this length on a path is given in its extended form: the limit on folder
// names (MAX_PATH less the 12 characters of an 8.3 file name), the lower one of
// the two.
inline constexpr std::size_t kExtendedPathFrom = 248;

// The path as the file functions should get it. Unchanged when it is shorter
// than kExtendedPathFrom, when it is a device path already (\\?\, \\.\, \??\),
// or when it is not a whole path (relative, "C:name" on a drive's current
// folder, "\name" on the current drive): the extended form needs the whole of
// it. Otherwise the extended form of the path with the normalisation the system
// would have applied to it: "/" is a separator as "\" is, a run of separators is
// one, "." and ".." segments are resolved (never above the drive or the share),
// a segment that ends in a single period loses it, and the last segment loses
// its trailing periods and spaces. A share's server and share names are kept as
// they are; one that is missing (\\\name, \\server\\name) is no whole path.
std::wstring ExtendedLengthPath(std::wstring_view path);

}  // namespace ornivex
