#pragma once

#include <cstdlib>

// A broken property is a crash, which is what libFuzzer reports and keeps as a finding.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
