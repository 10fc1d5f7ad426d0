#include "guarded.h"

#include <cstdio>

namespace quillar {

void reportUncaught(const char *handler, const std::exception *error) noexcept
{
    std::fprintf(stderr, "quillar: %s: %s\n", handler, error ? error->what() : "unknown failure");
    std::fflush(stderr);
}

} // namespace quillar
