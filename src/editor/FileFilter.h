#pragma once
#include <cstddef>
#include <string>

namespace pellory {

// The filter of a file dialog for a space-separated list of extensions without dots: the pattern
// "*.a;*.b" as description and as pattern, each ended by a zero byte, then a final zero. The
// whole must fit filterBytes: a list that does not is cut to the whole extensions that do (an
// empty result when not even the first fits). defaultExtension is the first extension, or
// empty when it does not fit defaultBytes with its terminator.
std::string FileDialogFilter(const char* extensions, std::size_t filterBytes, std::size_t defaultBytes,
                             std::string& defaultExtension);

}  // namespace pellory
