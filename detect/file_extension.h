// The lower-cased extension of a name, shared by the classifiers.
#pragma once

#include <string>

namespace zel {

// The part of `name` from its last '.' to the end, dot included, lower-cased unit by unit with
// the C library's towlower; empty when there is no dot. The search runs over the whole string,
// so a dot in a folder name counts when the file name has none.
std::u16string LowerCaseExtension(const std::u16string& name);

}  // namespace zel
