// Boost.JSON compiled into the project, with the project's compiler and
// standard library, so that no program loads a Boost library at start and
// every build (libc++, cross builds) gets a matching one.
#include <boost/json/src.hpp>
