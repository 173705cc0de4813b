// Random version-4 UUIDs for the stand-in platform.
#pragma once

#include <string>

namespace zorvs::share::standin {

// A new random (version 4, RFC 4122 variant) UUID in its 36-character
// textual form, in upper case as the platform writes it.
std::string random_uuid();

}  // namespace zorvs::share::standin
