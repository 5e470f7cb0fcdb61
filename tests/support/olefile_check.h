#pragma once
// Note files kept for a second reading with Debian's olefile, independent of
// ole32 (see tests/support/olefile_check.sh).
#include <string>
#include <vector>

// When QUILLET_OLEFILE_OUT names a folder, copies the closed note file there
// as label.qld with label.expected: the names and texts it must hold.
void KeepForOlefileCheck(const std::string& notePath, const std::string& label,
                         const std::vector<std::string>& names,
                         const std::vector<std::string>& texts);
